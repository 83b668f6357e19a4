#pragma once

class ConnectionCutter;

// Writes QUIT on a connection libcurl has given up before MAIL FROM, behind
// its back: libcurl 7.88 offers no way of its own. It closes a connection
// whose connect phase failed as a dead one, which skips its QUIT, and
// curl_easy_send() works only on a transfer made with CURLOPT_CONNECT_ONLY,
// which stops after the connect phase and never sends mail. So the six bytes
// go through the TLS session libcurl holds, where the TLS library is one this
// program can reach (OpenSSL), or on the socket while the connection is in
// clear. True when all six bytes went out. The security tests'
// quitAfterRefusal fails when a libcurl of another make keeps them from the
// server.
bool writeQuitBehindLibcurl(void *easy, bool overTls, ConnectionCutter &connections);
