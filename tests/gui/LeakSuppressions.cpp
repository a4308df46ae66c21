// Fontconfig keeps a cache for the life of the process that LeakSanitizer reports at exit; it is
// the system library's, not ours. The sanitizer asks this function for its default suppressions.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
