// The picture preview of the program's open and save dialogs: a small image of
// the file under the cursor beside Qt's own file list.
#pragma once

class QFileDialog;

namespace tessalin {

// Adds the preview (object name "Preview_Img") to a non-native file dialog.
void AddPicturePreview(QFileDialog& dialog);

}  // namespace tessalin
