// A library for the code-signing tests to inject into a genuine program,
// with LD_PRELOAD or by loading it: it does nothing, its presence is the point.
extern "C" int zephraneInjectedLibrary() { return 1; }
