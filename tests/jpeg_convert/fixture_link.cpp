// The format and encoder tests' shared helpers, built into this test
// program too.
#include "formats/format_fixture.cpp"
#include "jpeg_encode/encode_fixture.cpp"
