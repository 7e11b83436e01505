// The engine's one diagnostic (objects left cached at the last close) goes to
// this sink. By default the sink discards the message and returns 0; tests may
// install another to observe it.
#pragma once

typedef int (*DiagnosticSinkFunction)(const char* source, const char* message);

int ReportDiagnostic(const char* source, const char* message);
// Installs sink (null restores the discarding one); returns the previous sink.
DiagnosticSinkFunction SetDiagnosticSink(DiagnosticSinkFunction sink);
