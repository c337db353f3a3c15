// What this test process holds at one moment, read from /proc: its threads, open file
// descriptors and child processes (running or not yet reaped). Long-running tests compare
// these against a bound to catch threads, descriptors or children that pile up.
#pragma once

#include <string>

namespace testsupport {

struct ProcessCensus {
    int threads = 0;
    int fds = 0;
    int children = 0; // includes zombies: a child nobody reaps stays counted
};

/// Counts of the calling process; a count that cannot be read is -1.
ProcessCensus TakeProcessCensus();

/// What the counts are made of, for a failure message: the threads' names, the children's
/// command lines and where the descriptors point, one kind per line.
std::string DescribeProcess();

/// The parent pid field of a /proc/<pid>/stat line, or -1 when the line is malformed. The
/// command name may hold spaces and parentheses, so fields are read after its last ')'.
int ParentPidOfStatLine(const char* line);

} // namespace testsupport
