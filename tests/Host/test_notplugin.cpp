// A shared library without the plug-in export: the console must pass it over.
extern "C" __attribute__((visibility("default"))) int SomethingElse() { return 1; }
