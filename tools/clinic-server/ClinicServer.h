// The clinic server: answers the clinic's members over HTTPS (ClinicWire's form) from one clinic
// file, for many workstations at once, each logged in with its own session token.
#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "platform/Clock.h"

namespace httplib {
class SSLServer;
struct Request;
struct Response;
}  // namespace httplib

namespace pyxa {

class ClinicAnswers;

struct ClinicServerOptions {
  QString clinicPath;       // the clinic file
  QString certificatePath;  // PEM: the server's certificate (and its chain)
  QString keyPath;          // PEM: its private key
  QString host = QStringLiteral("0.0.0.0");
  int port = 0;             // 0: any free port; Port() tells which
  int threads = 64;         // connections served at once: each open one holds a thread
  // One line per request, and the server's failures; called from the worker threads at once.
  std::function<void(const QString&)> log;
};

class ClinicServer {
 public:
  // The clock must outlive the server.
  ClinicServer(ClinicServerOptions options, const Clock& clock);
  ~ClinicServer();
  ClinicServer(const ClinicServer&) = delete;
  ClinicServer& operator=(const ClinicServer&) = delete;

  // Loads the certificate and key, binds the address and answers requests on a thread of its own.
  // False, with the reason in error, when it cannot.
  bool Start(QString& error);
  // Stops taking connections, lets the requests under way finish and waits for them.
  void Stop();
  int Port() const { return port_; }
  // Logged-in sessions held.
  int Sessions() const;

 private:
  void Configure();
  void Answer(const httplib::Request& request, httplib::Response& response);
  void Log(const QString& line) const;

  ClinicServerOptions options_;
  const Clock& clock_;
  std::unique_ptr<ClinicAnswers> answers_;
  std::unique_ptr<httplib::SSLServer> server_;
  std::thread thread_;
  std::atomic<bool> ended_{false};  // the server's thread has left its loop
  int port_ = 0;
};

}  // namespace pyxa
