#pragma once
// Fault injection for the merge's file-system calls: the program's own (open, write,
// fsync, rename, renameat2, unlink, link: wrapped at link time) and SQLite's (through a VFS shim
// installed as the default). Once armed, every such call is counted; call number k fails
// with the chosen error, or ends the process as a crash would.

namespace th::test::faults {

enum class Mode { Count, NoSpace, Kill };

// Installs the SQLite shim; call once before any database is opened.
void install();
// Starts counting from zero; call k (from 1) gets the fault. Count never faults.
void arm(Mode mode, int k);
void disarm();
// Calls counted since arm().
int calls();

}  // namespace th::test::faults
