// Previews of 3 x 3 neighbourhood operations (convolution, edges) that need
// only some pixels of the result: the neighbourhood of every sampled pixel is
// laid out as a 3 x 3 block of a small mosaic, the operation runs on the
// mosaic, and the block centres are exactly the result's pixels there.
#pragma once

#include <array>
#include <vector>

#include "core/raster_image.h"

namespace tessalin {

// A pf24Bit picture 3 * columns.size() wide and 3 * rows.size() high; block
// (i, j) holds the neighbourhood of pixel (columns[i], rows[j]), edges replicated.
RasterImage NeighbourhoodMosaic(const RasterImage& picture, const std::vector<int>& columns,
                                const std::vector<int>& rows);

// The centre pixel of every 3 x 3 block of a mosaic-sized result.
RasterImage MosaicCentres(const RasterImage& mosaicResult);

// The convolution and edge engines work out all three values of a pixel for
// every output channel, so outputs 0, 1, 2 are the greys of output 3's red,
// green and blue bytes and 4, 5, 6 those of output 7: fills those six from
// results[3] and results[7].
void SplitColourResults(std::array<RasterImage, 8>& results);

}  // namespace tessalin
