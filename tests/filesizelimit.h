#pragma once

// Makes a write fail midway: with the file-size limit (RLIMIT_FSIZE) lowered, files still open
// but bytes past the limit are refused. SIGXFSZ is ignored, so that the write fails instead of
// ending the test.

#include <csignal>
#include <sys/resource.h>

// Runs write under the limit, then restores it. False when the limit could not be set.
template <typename Write> bool underFileSizeLimit(rlim_t bytes, Write write)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0)
        return false;
    rlimit lowered = saved;
    lowered.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0)
        return false;
    write();
    setrlimit(RLIMIT_FSIZE, &saved);
    return true;
}
