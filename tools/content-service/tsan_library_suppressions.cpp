// Under the thread sanitizer only. The HTTP library comes precompiled without
// instrumentation, so the sanitizer sees its memory accesses through intercepted
// calls but not the acquire loads of its own static guards, and reports races
// that are not there. Its accesses are left out; the service's own code stays checked.
#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libcpp-httplib.so\n";
}
#endif
