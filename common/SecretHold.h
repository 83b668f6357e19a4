#pragma once

// Keeps a secret out of core files: while at least one SecretHold lives, the
// process is not dumpable (no core file, no debugger of the same user can
// attach). When the last one goes, the process is as dumpable as it was
// before the first. Holds may be taken and let go on any thread.
class SecretHold
{
public:
    SecretHold();
    ~SecretHold();
    SecretHold(const SecretHold &) = delete;
    SecretHold &operator=(const SecretHold &) = delete;

    // How many holds live now.
    static int count();
};
