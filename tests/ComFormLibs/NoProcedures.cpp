// A shared library that loads but exports none of the grid-dialog procedures.
extern "C" __attribute__((visibility("default"))) int QxvNotTheGridDialogLibrary() { return 1; }
