#ifdef __SANITIZE_ADDRESS__
// Memory that the system's font and X libraries keep until the process ends is
// not ours to free; the leak checker of the sanitizer build skips it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libXft.so\nleak:libX11.so\n";
}
#endif
