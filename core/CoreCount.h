#pragma once
// The number of processors, looked up once per process: the C library reads a system file
// on every lookup, and a comparison asks for it once per object pair.

namespace tandrel {

unsigned CoreCount();

} // namespace tandrel
