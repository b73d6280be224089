// The one unit of a precompiled-header donor target (ZephranePrecompiledHeaders.cmake):
// nothing of its own, so that the target exists to own the header.
