#include "common/ScriptedTlsServer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>
#include <algorithm>
#include <functional>
#include <future>
#include <stdexcept>

namespace pyxa::testing_tls {
namespace {

constexpr qsizetype kMaxHead = 64 * 1024;
// Filler is written while less than this waits to go out, so a huge answer costs this much memory, not its size.
constexpr qint64 kWriteAhead = 1024 * 1024;
constexpr qint64 kFillerChunk = 64 * 1024;

class Listener : public QTcpServer {
 public:
  std::function<void(qintptr)> onConnection;

 protected:
  void incomingConnection(qintptr descriptor) override { onConnection(descriptor); }
};

// One client connection: reads requests and plays the script on the first whole one.
class Connection {
 public:
  Connection(QSslSocket* socket, const TlsScript& script, ScriptedTlsServer::Counts& counts)
      : socket_(socket), script_(script), counts_(counts) {}

  void Read() {
    buffer_ += socket_->readAll();
    while (!done_) {
      if (bodyLeft_ < 0) {
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) {
          if (buffer_.size() > kMaxHead) Refuse("a request head over 64 KiB");
          break;
        }
        bodyLeft_ = BodyLength(buffer_.left(end));
        buffer_.remove(0, end + 4);
        if (bodyLeft_ < 0) break;  // refused
      }
      // The body is counted off, not kept: a large upload costs no memory here.
      const qint64 take = std::min<qint64>(bodyLeft_, buffer_.size());
      bodyLeft_ -= take;
      buffer_.remove(0, take);
      if (bodyLeft_ > 0) break;
      bodyLeft_ = -1;
      ++counts_.requests;
      Act();
    }
    if (done_) buffer_.clear();
  }

  // Tops up the huge answer's filler while little of it waits to go out.
  void Pump() {
    static const QByteArray filler(kFillerChunk, 'x');
    while (hugeLeft_ > 0 && socket_->bytesToWrite() + socket_->encryptedBytesToWrite() < kWriteAhead) {
      const qint64 size = std::min(hugeLeft_, kFillerChunk);
      if (socket_->write(filler.constData(), size) != size) return;
      hugeLeft_ -= size;
      if (hugeLeft_ == 0) socket_->disconnectFromHost();
    }
  }

 private:
  // The body length the head announces; -1 after refusing a request we cannot read.
  qint64 BodyLength(const QByteArray& head) {
    qint64 length = 0;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon < 0) continue;
      const QByteArray name = lines[i].left(colon).trimmed().toLower();
      const QByteArray value = lines[i].mid(colon + 1).trimmed();
      if (name == "transfer-encoding") {
        Refuse("a chunked request body");
        return -1;
      }
      if (name == "content-length") {
        bool ok = false;
        length = value.toLongLong(&ok);
        if (!ok || length < 0) {
          Refuse("a bad Content-Length");
          return -1;
        }
      }
    }
    return length;
  }

  void Refuse(const char* what) {
    ADD_FAILURE() << "scripted TLS server: the client sent " << what;
    done_ = true;
    socket_->abort();
  }

  void Act() {
    switch (script_.behaviour) {
      case TlsScript::Behaviour::AcceptAndNeverAnswer:
        return;  // and keeps reading, so a second request on the connection is counted too
      case TlsScript::Behaviour::Answer:
        done_ = true;
        socket_->write(script_.answer);
        socket_->disconnectFromHost();  // after what was written has gone out
        return;
      case TlsScript::Behaviour::HugeAnswer:
        done_ = true;
        socket_->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                       QByteArray::number(script_.hugeLength) + "\r\n\r\n");
        hugeLeft_ = script_.hugeLength;
        Pump();
        return;
      case TlsScript::Behaviour::CloseAfterRequest:
        done_ = true;
        socket_->disconnectFromHost();
        return;
    }
  }

  QSslSocket* socket_;
  const TlsScript& script_;
  ScriptedTlsServer::Counts& counts_;
  QByteArray buffer_;     // what has arrived of the request being read
  qint64 bodyLeft_ = -1;  // -1 while its head is being read
  qint64 hugeLeft_ = 0;
  bool done_ = false;
};

class ServerThread : public QThread {
 public:
  ServerThread(QSslConfiguration tls, TlsScript script, std::shared_ptr<ScriptedTlsServer::Counts> counts)
      : tls_(std::move(tls)), script_(std::move(script)), counts_(std::move(counts)) {}

  std::future<quint16> Started() { return started_.get_future(); }

 protected:
  void run() override {
    Listener listener;
    listener.onConnection = [this, &listener](qintptr descriptor) { Accept(descriptor, &listener); };
    if (!listener.listen(QHostAddress::LocalHost, 0)) {
      started_.set_exception(std::make_exception_ptr(
          std::runtime_error("scripted TLS server: cannot listen: " + listener.errorString().toStdString())));
      return;
    }
    started_.set_value(listener.serverPort());
    exec();
    // The connections are the listener's children and close with it, here on their own thread.
  }

 private:
  void Accept(qintptr descriptor, QObject* owner) {
    ++counts_->connections;
    auto* socket = new QSslSocket(owner);
    if (!socket->setSocketDescriptor(descriptor)) {
      ADD_FAILURE() << "scripted TLS server: cannot take a connection: " << socket->errorString().toStdString();
      delete socket;
      return;
    }
    socket->setSslConfiguration(tls_);
    auto connection = std::make_shared<Connection>(socket, script_, *counts_);
    QObject::connect(socket, &QSslSocket::readyRead, socket, [connection] { connection->Read(); });
    QObject::connect(socket, &QSslSocket::bytesWritten, socket, [connection] { connection->Pump(); });
    QObject::connect(socket, &QSslSocket::encryptedBytesWritten, socket, [connection] { connection->Pump(); });
    QObject::connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
    // A handshake the client refused ends here; so does a connection the client reset.
    QObject::connect(socket, &QSslSocket::errorOccurred, socket, [socket] {
      if (socket->state() == QAbstractSocket::UnconnectedState) socket->deleteLater();
    });
    socket->startServerEncryption();
  }

  QSslConfiguration tls_;
  TlsScript script_;
  std::shared_ptr<ScriptedTlsServer::Counts> counts_;
  std::promise<quint16> started_;
};

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("scripted TLS server: cannot read " + path.toStdString());
  }
  return file.readAll();
}

QSslConfiguration ServerTls(const CertFiles& files) {
  const QSslCertificate certificate(ReadAll(files.certPath), QSsl::Pem);
  if (certificate.isNull())
    throw std::runtime_error("scripted TLS server: no certificate in " + files.certPath.toStdString());
  const QByteArray pem = ReadAll(files.keyPath);
  QSslKey key(pem, QSsl::Ec, QSsl::Pem);
  if (key.isNull()) key = QSslKey(pem, QSsl::Rsa, QSsl::Pem);
  if (key.isNull()) throw std::runtime_error("scripted TLS server: no private key in " + files.keyPath.toStdString());
  QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
  tls.setLocalCertificate(certificate);
  tls.setPrivateKey(key);
  tls.setPeerVerifyMode(QSslSocket::VerifyNone);
  return tls;
}

}  // namespace

ScriptedTlsServer::ScriptedTlsServer(const CertFiles& certificate, TlsScript script) {
  auto thread = std::make_unique<ServerThread>(ServerTls(certificate), std::move(script), counts_);
  std::future<quint16> started = thread->Started();
  thread->start();
  thread_ = std::move(thread);
  try {
    port_ = started.get();
  } catch (...) {
    Stop();
    throw;
  }
}

ScriptedTlsServer::~ScriptedTlsServer() { Stop(); }

void ScriptedTlsServer::Stop() {
  if (!thread_) return;
  thread_->quit();
  thread_->wait();
  thread_.reset();
}

quint16 UnusedPort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) {
    throw std::runtime_error("UnusedPort: cannot listen: " + probe.errorString().toStdString());
  }
  return probe.serverPort();  // released as the probe goes
}

}  // namespace pyxa::testing_tls
