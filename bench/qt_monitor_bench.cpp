// The traffic log view holding a million lines: the cost of appending them with the view
// attached, and whether the view stays quick to jump to the end and repaint.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cstdio>

#include "qt/monitor_view.h"
#include "qt/main_window.h"
#include "ui/form.h"

namespace {

std::string Line(int i) {
  // A realistic log line: stamp, three blanks, a reply.
  return "[12:34:56]   +CPBR: " + std::to_string(i % 250 + 1) + ",\"0123456789\",129,\"ENTRY" +
         std::to_string(i) + "\"";
}

// One full run: returns seconds to append and flush, and reports the view's figures.
void RunOnce(double* append_s, double* scroll_ms, double* paint_ms) {
  vrkt::Form1 form;
  vrkt::qt::MonitorView view(form.Monitor, nullptr);
  struct Bridge : vrkt::FormObserver {
    vrkt::qt::MonitorView* v;
    void ControlChanged(vrkt::Control& c, vrkt::Aspect a) override {
      if (&c == &c.form().Monitor && a == vrkt::Aspect::kItems) v->monitor_model()->LinesAppended();
    }
  } bridge;
  bridge.v = &view;
  form.AddObserver(&bridge);
  view.resize(430, 190);
  view.show();
  QApplication::processEvents();

  QElapsedTimer t;
  t.start();
  for (int i = 0; i < 1000000; ++i) {
    form.Monitor.Append(Line(i));
    // The event loop turns now and then as it would between serial reads.
    if ((i & 4095) == 0) QApplication::processEvents();
  }
  view.monitor_model()->Flush();
  QApplication::processEvents();
  *append_s = t.nsecsElapsed() / 1e9;

  t.restart();
  view.scrollToTop();
  view.scrollToBottom();
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
  QApplication::processEvents();
  *scroll_ms = t.nsecsElapsed() / 1e6;

  t.restart();
  for (int i = 0; i < 10; ++i) view.grab();
  *paint_ms = t.nsecsElapsed() / 1e6 / 10;
  form.RemoveObserver(&bridge);
}

void BM_MonitorAppendMillion(benchmark::State& state) {
  double append_s = 0, scroll_ms = 0, paint_ms = 0;
  for (auto _ : state) RunOnce(&append_s, &scroll_ms, &paint_ms);
  state.counters["append_s"] = append_s;
  state.counters["scroll_ms"] = scroll_ms;
  state.counters["paint_ms"] = paint_ms;
}
BENCHMARK(BM_MonitorAppendMillion)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  vrkt::qt::UseApplicationFont();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  double append_s = 0, scroll_ms = 0, paint_ms = 0;
  RunOnce(&append_s, &scroll_ms, &paint_ms);
  std::printf("monitor_append_1m_lines_s: %.3f s\n", append_s);
  std::printf("monitor_scroll_1m_lines_ms: %.2f ms\n", scroll_ms);
  std::printf("monitor_paint_1m_lines_ms: %.2f ms\n", paint_ms);
  benchmark::Shutdown();
  return 0;
}
