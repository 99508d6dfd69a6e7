// The format tests' shared helpers (pictures, PPM, host tools), built into
// this test program too.
#include "formats/format_fixture.cpp"
