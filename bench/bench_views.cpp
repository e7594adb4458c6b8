// Repaints of the zoomable picture view on the offscreen platform: zooming,
// panning and fitting a 4000 x 3000 document, and sixteen linked 1000 x 1000
// documents following one. Each iteration changes the view and paints it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMdiArea>
#include <QScrollBar>
#include <memory>
#include <vector>

#include "app/document_window.h"
#include "app/main_frame.h"
#include "bench_photo.h"
#include "processing/display_sampling.h"
#include "widgets/picture_view.h"
#include "widgets/qt_raster.h"

namespace tessalin {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_views";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication app(argc, argv);
  return app;
}

// A 1600 x 1000 window showing the 4000 x 3000 photo.
TPictureView& PhotoView() {
  App();
  static TPictureView* view = [] {
    auto* created = new TPictureView;
    created->resize(1600, 1000);
    created->SetImage(RasterToQImage(bench::Photo4000x3000()));
    created->show();
    QApplication::processEvents();
    return created;
  }();
  return *view;
}

void Paint(TPictureView& view) { view.viewport()->repaint(); }

// The engine's part of a zoom-out: the block means of the whole photo.
void BM_BlockMeans4000x3000(benchmark::State& state) {
  const QImage& photo = PhotoView().Image();
  const int factor = static_cast<int>(state.range(0));
  const int width = ReducedLength(photo.width(), factor), height = ReducedLength(photo.height(), factor);
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  const XrgbPlane in{reinterpret_cast<const uint32_t*>(photo.constBits()), photo.bytesPerLine() / 4,
                     photo.width(), photo.height()};
  for (auto _ : state) {
    BlockMeans(in, factor, MutableXrgbPlane{out.data(), width, width, height});
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_BlockMeans4000x3000)
    ->Arg(2)
    ->Arg(3)
    ->Arg(5)
    ->Arg(20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Zoom steps in turn, from fitted (1/3) to 4 and back; every zoom-out step
// makes its block means again.
void BM_ZoomRepaint4000x3000(benchmark::State& state) {
  TPictureView& view = PhotoView();
  view.FitToWindow();
  int direction = 1;
  for (auto _ : state) {
    if (view.Zoom().magnify >= 4) direction = -1;
    if (view.Zoom().reduce >= 3) direction = 1;
    direction > 0 ? view.ZoomIn() : view.ZoomOut();
    Paint(view);
  }
}
BENCHMARK(BM_ZoomRepaint4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Scrolling by 37 logical pixels at a zoom, both ways.
void BM_PanRepaint4000x3000(benchmark::State& state) {
  TPictureView& view = PhotoView();
  view.ShowAt(ZoomStep{static_cast<int>(state.range(0)), 1}, QPointF(2000, 1500));
  Paint(view);
  QScrollBar* bar = view.horizontalScrollBar();
  int step = 37;
  for (auto _ : state) {
    if (bar->value() + step > bar->maximum() || bar->value() + step < 0) step = -step;
    bar->setValue(bar->value() + step);
    Paint(view);
  }
}
BENCHMARK(BM_PanRepaint4000x3000)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// Actual Pixels and Fit to Window in turn.
void BM_FitRepaint4000x3000(benchmark::State& state) {
  TPictureView& view = PhotoView();
  bool fit = true;
  for (auto _ : state) {
    fit ? view.FitToWindow() : view.ActualPixels();
    fit = !fit;
    Paint(view);
  }
}
BENCHMARK(BM_FitRepaint4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Sixteen tiled 1000 x 1000 documents with linked views: one zooms, all follow
// and the frame repaints.
void BM_LinkedViews16x1000x1000(benchmark::State& state) {
  App();
  TMain_Frm frame;
  frame.resize(1600, 1000);
  frame.show();
  const RasterImage picture = bench::MakePhotoLike(1000, 1000, 3);
  for (int i = 0; i < 16; ++i) frame.CreateResultChild("bench", picture);
  frame.TileAndFitChildren();
  frame.findChild<QAction*>("Window_LinkViewsItem")->setChecked(true);
  QApplication::processEvents();
  TPictureView* leader = frame.Documents().front()->View();
  int direction = 1;
  for (auto _ : state) {
    if (leader->Zoom().magnify >= 2) direction = -1;
    if (leader->Zoom().reduce >= 8) direction = 1;
    direction > 0 ? leader->ZoomIn() : leader->ZoomOut();
    frame.repaint();
  }
}
BENCHMARK(BM_LinkedViews16x1000x1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
}  // namespace tessalin
