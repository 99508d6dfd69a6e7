// The format tests' shared helpers, built into this test program too.
#include "formats/format_fixture.cpp"
