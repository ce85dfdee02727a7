// Leaks that LeakSanitizer would report in the libraries the server loads, not in the server.
// The PulseAudio client library keeps a few allocations of its connection for good, whether the
// connection to the sound server failed or was closed by GStreamer's device provider; without
// this, every sanitizer run of the server would end in a leak report. Only read by the sanitizer.

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() { return "leak:libpulse.so\n"; }

// The sanitizer would otherwise list the suppressions it used on standard error at exit, and the
// tests read a server's standard error as the sign of a real report.
extern "C" const char* __lsan_default_options();

extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
