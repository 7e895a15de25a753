// A shared object that exports no DllGetClassObject: activation through it
// must fail cleanly.
extern "C" __attribute__((visibility("default"))) int NotAClassServer() { return 1; }
