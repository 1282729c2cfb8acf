#pragma once
// The processors a second thread could run on.

namespace tandrel {

// The number of processors, looked up once per process: the C library reads a system file
// on every lookup, and a comparison asks for it once per object pair.
unsigned CoreCount();

// A second thread pays only when it gets a core of its own: on a machine whose cores are
// all busy, its hand-overs wait on the scheduler (measured: a diff a tenth to a half
// slower, a library pair's objects a fifth slower). Judged from the load average at the
// call.
bool IdleCoreLikely();

} // namespace tandrel
