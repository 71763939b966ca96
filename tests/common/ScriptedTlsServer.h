// An HTTPS server on 127.0.0.1 that misbehaves as a test scripts it, for the fault tests of our HTTPS clients.
#pragma once

#include <QByteArray>
#include <atomic>
#include <memory>

#include "common/TestCa.h"

class QThread;

namespace pyxa::testing_tls {

// What the server does once it has read a whole request (head and Content-Length body).
struct TlsScript {
  enum class Behaviour {
    AcceptAndNeverAnswer,  // keeps the connection open and silent
    Answer,                // sends `answer` as it is, status line to body, then closes
    HugeAnswer,            // a 200 promising `hugeLength` bytes, streamed as fast as the client reads them
    CloseAfterRequest,     // closes without a byte of answer
  };
  Behaviour behaviour = Behaviour::AcceptAndNeverAnswer;
  QByteArray answer;
  qint64 hugeLength = qint64(200) * 1024 * 1024;
};

// Serves on its own thread, so that it answers whether the client under test waits in an event loop or blocks its
// thread in a waitFor call. Throws std::runtime_error when the certificate files cannot be read or nothing can
// listen; a request it cannot read (bad Content-Length, chunked body, head over 64 KiB) fails the running test.
class ScriptedTlsServer {
 public:
  ScriptedTlsServer(const CertFiles& certificate, TlsScript script);
  ~ScriptedTlsServer();
  ScriptedTlsServer(const ScriptedTlsServer&) = delete;
  ScriptedTlsServer& operator=(const ScriptedTlsServer&) = delete;

  quint16 Port() const { return port_; }
  // TCP connections accepted, whether or not their TLS handshake then succeeded.
  int Connections() const { return counts_->connections; }
  // Whole requests read.
  int Requests() const { return counts_->requests; }
  // Closes every connection and stops listening; the destructor does it too.
  void Stop();

  struct Counts {
    std::atomic<int> connections{0};
    std::atomic<int> requests{0};
  };

 private:
  std::shared_ptr<Counts> counts_ = std::make_shared<Counts>();
  std::unique_ptr<QThread> thread_;
  quint16 port_ = 0;
};

// A port on 127.0.0.1 that nothing listens on, for "connection refused": bound, read and released again.
quint16 UnusedPort();

}  // namespace pyxa::testing_tls
