#pragma once

#include <QString>

#include <optional>

// Where to send: the user's "Server" text, understood.
struct ServerAddress
{
    QString host; // name (ACE form) or IP address, without brackets
    quint16 port = 25;
    bool implicitTls = false; // TLS from the first byte (smtps:// or port 465)
    // The text gave the port, or smtps:// implied 465: that port and no
    // other. Otherwise port is only a placeholder and the component chooses.
    bool portTyped = false;
    bool smtpScheme = false; // written as smtp://: a connection that starts in clear

    // The URL handed to libcurl.
    QString url() const;
    // host:port as the user would recognise it, brackets around IPv6.
    QString display() const;
    // The host alone, brackets around IPv6.
    QString displayHost() const;
};

// Accepts "host", "host:port", "[IPv6]:port", a bare IPv6 address,
// "smtp://host[:port]" and "smtps://host[:port]" (an optional trailing '/').
// Returns nothing for anything else, including empty text.
std::optional<ServerAddress> parseServerAddress(const QString &text);
