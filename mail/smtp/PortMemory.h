#pragma once

#include "PortChooser.h"

#include <optional>

// The ports chosen so far in this run, one per host and kind of send, so
// that later sends go straight to the port that worked: a mail program
// probes once, not on every send. Kept in memory only, for the whole
// process and shared by its threads; nothing is written anywhere.
class PortMemory
{
public:
    // The port chosen earlier for a send to server with these settings.
    static std::optional<ServerAddress> recall(const ServerAddress &server,
                                               const PortChooser::Settings &settings);
    static void remember(const ServerAddress &server, const PortChooser::Settings &settings,
                         const ServerAddress &chosen);
    // Drops the choice, so that the next send chooses again.
    static void forget(const ServerAddress &server, const PortChooser::Settings &settings);
};
