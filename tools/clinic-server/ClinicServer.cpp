#include "ClinicServer.h"

#include <httplib.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <QFileInfo>
#include <chrono>

#include "ClinicAnswers.h"
#include "RequestLog.h"
#include "components/ClinicErrors.h"
#include "components/ClinicWire.h"
#include "components/ServiceFactory.h"

namespace pyxa {
namespace {

constexpr char kJson[] = "application/json";
constexpr time_t kTimeoutSeconds = 30;
// A connection holds a worker thread while it stays open, idle or not: idle ones are closed soon,
// so that workstations beyond the thread count wait seconds at most, not the whole time-out.
constexpr time_t kKeepAliveSeconds = 5;
constexpr size_t kKeepAliveRequests = 1000;

// What the log line of the request on this worker thread needs from before the answer: httplib
// hands the pre-routing handler, the route and the logger the same request on one thread.
struct RequestNote {
  bool open = false;
  std::chrono::steady_clock::time_point start;
  QDateTime time;
  QString member;
  qint64 userId = 0;
};
thread_local RequestNote note;

// The member a path names, or an empty text.
QString MemberOf(const std::string& path) {
  const QString text = QString::fromStdString(path);
  if (!text.startsWith(QLatin1Char('/') + wire::kApiPath)) return {};
  const QString member = text.mid(1 + wire::kApiPath.size());
  return wire::Members().contains(member) ? member : QString();
}

qint64 ContentLength(const httplib::Request& request) {
  if (!request.has_header("Content-Length")) return -1;
  bool ok = false;
  const qint64 length = QByteArray::fromStdString(request.get_header_value("Content-Length")).toLongLong(&ok);
  return ok && length >= 0 ? length : -1;
}

void Refuse(const httplib::Request& request, httplib::Response& response, int status, qint32 number,
            const QString& description) {
  response.status = status;
  response.set_content(wire::ErrorBody(ServiceError(number, description)).toStdString(), kJson);
  // A body left unread cannot be followed by another request on the same connection.
  if (ContentLength(request) > 0 || request.has_header("Transfer-Encoding")) response.set_header("Connection", "close");
}

std::optional<QByteArray> Part(const httplib::Request& request, const char* name) {
  if (!request.has_file(name)) return std::nullopt;
  return QByteArray::fromStdString(request.get_file_value(name).content);
}

QString BearerToken(const httplib::Request& request) {
  const std::string value = request.get_header_value("Authorization");
  if (value.rfind(wire::kBearer, 0) != 0) return {};
  return QString::fromStdString(value.substr(sizeof(wire::kBearer) - 1)).trimmed();
}

}  // namespace

ClinicServer::ClinicServer(ClinicServerOptions options, const Clock& clock)
    : options_(std::move(options)),
      clock_(clock),
      answers_(std::make_unique<ClinicAnswers>(ClinicUrlForPath(options_.clinicPath), clock,
                                               [this](const QString& line) { Log(line); })) {}

ClinicServer::~ClinicServer() { Stop(); }

int ClinicServer::Sessions() const { return answers_->Sessions(); }

void ClinicServer::Log(const QString& line) const {
  if (options_.log) options_.log(line);
}

bool ClinicServer::Start(QString& error) {
  if (server_) {
    error = QStringLiteral("The clinic server is already running.");
    return false;
  }
  for (const QString& path : {options_.certificatePath, options_.keyPath}) {
    if (!QFileInfo(path).isReadable()) {
      error = QStringLiteral("Cannot read \"%1\".").arg(path);
      return false;
    }
  }
  auto server = std::make_unique<httplib::SSLServer>(QFile::encodeName(options_.certificatePath).constData(),
                                                     QFile::encodeName(options_.keyPath).constData());
  if (!server->is_valid()) {
    error = QStringLiteral("The certificate \"%1\" and key \"%2\" cannot be loaded as a PEM pair.")
                .arg(options_.certificatePath, options_.keyPath);
    return false;
  }
  server_ = std::move(server);
  Configure();

  const std::string host = options_.host.toStdString();
  const int port = options_.port == 0 ? server_->bind_to_any_port(host) : options_.port;
  if (port <= 0 || (options_.port != 0 && !server_->bind_to_port(host, options_.port))) {
    error = QStringLiteral("Cannot listen at %1:%2: the address is in use or not this computer's.")
                .arg(options_.host)
                .arg(options_.port);
    server_.reset();
    return false;
  }
  port_ = port;

  ended_ = false;
  thread_ = std::thread([this] {
    server_->listen_after_bind();
    ended_ = true;
  });
  // httplib's stop() does nothing before its loop runs: Stop() right after Start() must find it running.
  while (!server_->is_running() && !ended_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (ended_) {
    thread_.join();
    server_.reset();
    error = QStringLiteral("The clinic server at %1:%2 stopped at once.").arg(options_.host).arg(port);
    return false;
  }
  return true;
}

void ClinicServer::Stop() {
  if (!server_) return;
  server_->stop();
  if (thread_.joinable()) thread_.join();
  server_.reset();
}

void ClinicServer::Configure() {
  const int threads = std::max(1, options_.threads);
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
  server_->set_keep_alive_max_count(kKeepAliveRequests);
  server_->set_keep_alive_timeout(kKeepAliveSeconds);
  server_->set_read_timeout(kTimeoutSeconds);
  server_->set_write_timeout(kTimeoutSeconds);
  server_->set_payload_max_length(static_cast<size_t>(wire::kMaxUploadBytes));
  server_->set_tcp_nodelay(true);
  // httplib's default adds SO_REUSEPORT, with which a second server on the same port binds without
  // complaint and takes half of the connections; SO_REUSEADDR alone still allows a quick restart.
  server_->set_socket_options([](socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    // An answer goes out in more than one write: without this each waits for the client's delayed
    // acknowledgement of the one before, some 40 ms a call. Accepted sockets inherit it.
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
  });

  // Everything refused here is refused before the body is read.
  server_->set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
    note = RequestNote{true, std::chrono::steady_clock::now(), clock_.Now(), MemberOf(request.path), 0};
    if (note.member.isEmpty()) {
      Refuse(request, response, 404, kClinicErrorRequest, QStringLiteral("The clinic server has no such address."));
    } else if (request.method != "POST") {
      Refuse(request, response, 405, kClinicErrorRequest, QStringLiteral("The clinic's members are called with POST."));
      response.set_header("Allow", "POST");
    } else if (note.member != wire::kUploadDocument && ContentLength(request) > wire::kMaxCallBytes) {
      Refuse(request, response, 413, kClinicErrorRequest,
             QStringLiteral("The request is larger than the clinic takes."));
    } else if (note.member != wire::kUploadDocument && ContentLength(request) < 0 &&
               request.has_header("Transfer-Encoding")) {
      // Without a length the size limit of a member's arguments could only be checked after reading.
      Refuse(request, response, 411, kClinicErrorRequest, QStringLiteral("The request must say its length."));
    } else {
      return httplib::Server::HandlerResponse::Unhandled;
    }
    return httplib::Server::HandlerResponse::Handled;
  });

  server_->Post(R"(/api/1/[A-Za-z]+)",
                [this](const httplib::Request& request, httplib::Response& response) { Answer(request, response); });

  // httplib's own refusals (a malformed request, a body over the upload limit) come without a body.
  server_->set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&,
                                                                     httplib::Response& response) {
    if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    response.set_content(wire::ErrorBody(ServiceError(kClinicErrorRequest,
                                                      QStringLiteral("The request could not be read (HTTP %1).")
                                                          .arg(response.status)))
                             .toStdString(),
                         kJson);
    return httplib::Server::HandlerResponse::Handled;
  }));
  // Answer() catches everything; this keeps an escaped exception's text out of the answer's headers.
  server_->set_exception_handler([this](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
    Log(QStringLiteral("A request failed outside its member."));
    response.status = 500;
    response.set_content(
        wire::ErrorBody(ServiceError(kClinicErrorServer, QStringLiteral("The clinic server failed."))).toStdString(),
        kJson);
  });

  server_->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
    RequestRecord record;
    record.time = note.open ? note.time : clock_.Now();
    record.address = QString::fromStdString(request.remote_addr);
    record.member = note.open ? note.member : QString();
    record.status = response.status;
    if (note.open) {
      record.durationMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - note.start)
                              .count();
    }
    record.requestBytes = std::max<qint64>(ContentLength(request), static_cast<qint64>(request.body.size()));
    record.answerBytes = static_cast<qint64>(response.body.size());
    record.userId = note.open ? note.userId : 0;
    note = RequestNote{};
    Log(FormatRequestLine(record));
  });
}

void ClinicServer::Answer(const httplib::Request& request, httplib::Response& response) {
  ClinicCall call;
  call.member = MemberOf(request.path);
  call.address = QString::fromStdString(request.remote_addr);
  if (call.member != wire::kConnect) call.token = BearerToken(request);
  if (call.member == wire::kUploadDocument && request.is_multipart_form_data()) {
    call.documentPart = Part(request, wire::kDocumentPart);
    call.filePart = Part(request, wire::kFilePart);
  } else {
    call.body = QByteArray::fromStdString(request.body);
  }
  const ClinicAnswer answer = answers_->Answer(call);
  note.userId = answer.userId;
  response.status = answer.status;
  response.set_content(answer.body.toStdString(), kJson);
}

}  // namespace pyxa
