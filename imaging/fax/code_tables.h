// The six CCITT code tables, resources of type 512 with ids 1..6 in the
// library module, held by reference count.
#pragma once

constexpr unsigned kCodeTableResourceType = 512;
constexpr int kCodeTableCount = 6;
// Size in bytes of table id (1..6).
unsigned CodeTableSize(int id);
// The loaded table of id 1..6, or null while the tables are not held.
const unsigned char* CcittCodeTable(int id);
// Holders of the tables, for tests.
int CodeTableRefCount();
