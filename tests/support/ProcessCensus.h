// What this test process holds at one moment, read from /proc: its threads, open file
// descriptors and child processes (running or not yet reaped). Long-running tests compare
// these against a bound to catch threads, descriptors or children that pile up.
#pragma once

namespace testsupport {

struct ProcessCensus {
    int threads = 0;
    int fds = 0;
    int children = 0; // includes zombies: a child nobody reaps stays counted
};

/// Counts of the calling process; a count that cannot be read is -1.
ProcessCensus TakeProcessCensus();

/// The parent pid field of a /proc/<pid>/stat line, or -1 when the line is malformed. The
/// command name may hold spaces and parentheses, so fields are read after its last ')'.
int ParentPidOfStatLine(const char* line);

} // namespace testsupport
