// The discarding diagnostic sink and its replacement hook.
#include "database/diagnostic_sink.h"

namespace {

int DiscardDiagnostic(const char*, const char*) { return 0; }

DiagnosticSinkFunction g_sink = DiscardDiagnostic;

}  // namespace

int ReportDiagnostic(const char* source, const char* message) { return g_sink(source, message); }

DiagnosticSinkFunction SetDiagnosticSink(DiagnosticSinkFunction sink) {
  DiagnosticSinkFunction previous = g_sink;
  g_sink = sink ? sink : DiscardDiagnostic;
  return previous;
}
