// Qt keeps caches (fonts, plugins) alive until the process ends by design; leak reports at
// exit say nothing about our code here, and the leak checker itself is not reliable with
// Qt's threads. The sanitizers' other checks stay on.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
