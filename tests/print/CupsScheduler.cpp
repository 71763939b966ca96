#include "print/CupsScheduler.h"

#include <cups/cups.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#ifndef PYXA_PRINT_TEST_DATA
#error "PYXA_PRINT_TEST_DATA names the folder of the test printer's PPD"
#endif

namespace pyxa::test {
namespace {

QString FindTool(const QString& name) {
  // The administration tools live in sbin, which a user's PATH often leaves out.
  QString path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                                       QStringLiteral("/usr/bin")});
  return path.isEmpty() ? QStandardPaths::findExecutable(name) : path;
}

QString FindCupsExec() {
  for (const char* path : {"/usr/lib/cups/daemon/cups-exec", "/usr/libexec/cups/daemon/cups-exec"})
    if (QFile::exists(QString::fromLatin1(path))) return QString::fromLatin1(path);
  return {};
}

// A port nobody listens on now: the kernel's pick for port 0 on loopback.
int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

bool WriteText(const QString& path, const QByteArray& text, QString* error) {
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit()) return true;
  if (error) *error = QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
  return false;
}

// The test printer without its Duplex option.
QByteArray WithoutDuplex(const QByteArray& ppd) {
  QByteArray result;
  bool inDuplex = false;
  for (const QByteArray& line : ppd.split('\n')) {
    if (line.startsWith("*OpenUI *Duplex")) inDuplex = true;
    if (!inDuplex) result += line + '\n';
    if (line.startsWith("*CloseUI: *Duplex")) inDuplex = false;
  }
  return result;
}

}  // namespace

CupsScheduler::CupsScheduler() = default;

CupsScheduler::~CupsScheduler() {
  if (cupsd_.state() == QProcess::NotRunning) return;
  cupsd_.terminate();
  if (!cupsd_.waitForFinished(5000)) {
    cupsd_.kill();
    cupsd_.waitForFinished(2000);
  }
}

bool CupsScheduler::WriteFiles(QString* error) {
  const QString root = dir_->path();
  const bool asRoot = geteuid() == 0;
  // cupsd refuses to run its filters as root; they run as lp and must reach the folder.
  QString user = QStringLiteral("lp"), groupName = QStringLiteral("lp");
  if (asRoot) {
    QFile::setPermissions(root, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  } else {
    const passwd* account = getpwuid(geteuid());
    const struct group* primary = getgrgid(getegid());
    if (!account || !primary) {
      *error = QStringLiteral("Cannot name the current user and group");
      return false;
    }
    user = QString::fromLocal8Bit(account->pw_name);
    groupName = QString::fromLocal8Bit(primary->gr_name);
  }
  QDir dir(root);
  for (const char* sub : {"spool/tmp", "cache", "state", "log", "ppd", "ssl", "out", "bin/daemon", "bin/filter",
                          "bin/backend"})
    if (!dir.mkpath(QString::fromLatin1(sub))) {
      *error = QStringLiteral("Cannot make %1 in %2").arg(QString::fromLatin1(sub), root);
      return false;
    }
  QFile::setPermissions(dir.filePath(QStringLiteral("out")), QFileDevice::Permissions(0x7777));

  const QString cupsExec = FindCupsExec();
  if (cupsExec.isEmpty() || !QFile::link(cupsExec, dir.filePath(QStringLiteral("bin/daemon/cups-exec")))) {
    *error = QStringLiteral("cups-exec is not installed");
    return false;
  }
  // The one filter of the test printer hands the PDF through, so the file: device gets it unchanged.
  const QString filter = dir.filePath(QStringLiteral("bin/filter/pyxapass"));
  if (!WriteText(filter, "#!/bin/sh\nif [ -n \"$6\" ]; then exec cat \"$6\"; else exec cat; fi\n", error))
    return false;
  QFile::setPermissions(filter, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                    QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);

  const QByteArray files = QStringLiteral(
                               "ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                               "StateDir %1/state\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                               "PageLog %1/log/page_log\nServerBin %1/bin\nServerKeychain %1/ssl\n"
                               "Printcap %1/printcap\nDataDir /usr/share/cups\n"
                               "DocumentRoot /usr/share/cups/doc-root\nFileDevice Yes\nUser %2\nGroup %3\n"
                               "LogFileGroup %3\n")
                               .arg(root, user, groupName)
                               .toLocal8Bit();
  const QByteArray conf = QStringLiteral(
                              "Listen 127.0.0.1:%1\nLogLevel info\nBrowsing Off\nDefaultAuthType None\n"
                              "WebInterface No\n<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                              "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                              .arg(port_)
                              .toLatin1();
  return WriteText(dir.filePath(QStringLiteral("cups-files.conf")), files, error) &&
         WriteText(dir.filePath(QStringLiteral("cupsd.conf")), conf, error);
}

bool CupsScheduler::Start(QString* error) {
  const QString cupsd = FindTool(QStringLiteral("cupsd"));
  if (cupsd.isEmpty()) {
    *error = QStringLiteral("cupsd is not installed");
    return false;
  }
  dir_ = std::make_unique<QTemporaryDir>();
  port_ = FreeLoopbackPort();
  if (!dir_->isValid() || port_ == 0) {
    *error = QStringLiteral("No folder or no free port for the scheduler");
    return false;
  }
  if (!WriteFiles(error)) return false;
  const QDir dir(dir_->path());
  cupsd_.setProgram(cupsd);
  cupsd_.setArguments({QStringLiteral("-f"), QStringLiteral("-c"), dir.filePath(QStringLiteral("cupsd.conf")),
                       QStringLiteral("-s"), dir.filePath(QStringLiteral("cups-files.conf"))});
  cupsd_.setStandardOutputFile(dir.filePath(QStringLiteral("log/cupsd.out")));
  cupsd_.setStandardErrorFile(dir.filePath(QStringLiteral("log/cupsd.out")), QIODevice::Append);
  cupsd_.start();
  if (!cupsd_.waitForStarted(5000)) {
    *error = QStringLiteral("cupsd did not start: %1").arg(cupsd_.errorString());
    return false;
  }
  const QByteArray host = QByteArrayLiteral("127.0.0.1");
  const QDeadlineTimer deadline(10000);
  bool exited = false;
  while (!deadline.hasExpired() && !exited) {
    if (http_t* http = httpConnect2(host.constData(), port_, nullptr, AF_INET, HTTP_ENCRYPTION_IF_REQUESTED, 1,
                                    500, nullptr)) {
      // Any answer to an IPP request means the scheduler has read its configuration.
      ippDelete(cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_DEFAULT), "/"));
      const bool answered = cupsLastError() == IPP_STATUS_OK || cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
      httpClose(http);
      if (answered) return true;
    }
    exited = cupsd_.waitForFinished(50);  // also how QProcess learns of an exit without an event loop
  }
  QFile log(dir.filePath(QStringLiteral("log/error_log")));
  QFile out(dir.filePath(QStringLiteral("log/cupsd.out")));
  log.open(QIODevice::ReadOnly);
  out.open(QIODevice::ReadOnly);
  *error = QStringLiteral("cupsd %1: %2 %3")
               .arg(exited ? QStringLiteral("stopped") : QStringLiteral("did not come up in 10 s"))
               .arg(QString::fromLocal8Bit(out.readAll().right(1000)), QString::fromLocal8Bit(log.readAll().right(2000)));
  return false;
}

QString CupsScheduler::Server() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }

QString CupsScheduler::OutputPath(const QString& name) const {
  return QDir(dir_->path()).filePath(QStringLiteral("out/%1.pdf").arg(name));
}

bool CupsScheduler::RunTool(const QString& tool, const QStringList& arguments, QString* error) {
  QProcess process;
  process.setProgram(FindTool(tool));
  process.setArguments(arguments);
  // The tools talk to our scheduler; only the child's environment says so.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("CUPS_SERVER"), Server());
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start();
  const bool finished = process.waitForFinished(10000);
  const bool ok = finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
  if (!finished) process.kill();
  if (!ok && error)
    *error = QStringLiteral("%1 %2 failed: %3 %4")
                 .arg(tool, arguments.join(QLatin1Char(' ')), process.errorString(),
                      QString::fromLocal8Bit(process.readAll()));
  return ok;
}

bool CupsScheduler::AddQueue(const QString& name, bool duplex, QString* error) {
  QFile source(QStringLiteral(PYXA_PRINT_TEST_DATA "/PyxaTest.ppd"));
  if (!source.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("Cannot read %1").arg(source.fileName());
    return false;
  }
  const QByteArray ppd = duplex ? source.readAll() : WithoutDuplex(source.readAll());
  const QString ppdPath = QDir(dir_->path()).filePath(QStringLiteral("%1.ppd").arg(name));
  if (!WriteText(ppdPath, ppd, error)) return false;
  return AddQueueFromPpd(name, ppdPath, error);
}

bool CupsScheduler::AddQueueFromPpd(const QString& name, const QString& ppdPath, QString* error) {
  QStringList arguments = {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                           QStringLiteral("file://") + OutputPath(name)};
  if (!ppdPath.isEmpty()) arguments << QStringLiteral("-P") << ppdPath;
  return RunTool(QStringLiteral("lpadmin"), arguments, error);
}

bool CupsScheduler::SetDefault(const QString& name) {
  return RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), name});
}

bool CupsScheduler::SetShared(const QString& name, bool shared) {
  return RunTool(QStringLiteral("lpadmin"),
                 {QStringLiteral("-p"), name, QStringLiteral("-o"),
                  QStringLiteral("printer-is-shared=%1").arg(shared ? QStringLiteral("true") : QStringLiteral("false"))});
}

bool CupsScheduler::SetAccepting(const QString& name, bool accepting) {
  return RunTool(accepting ? QStringLiteral("cupsaccept") : QStringLiteral("cupsreject"), {name});
}

bool CupsScheduler::RemoveQueue(const QString& name) {
  return RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
}

namespace {

// Get-Job-Attributes on our scheduler; null when it does not answer.
ipp_t* GetJob(int port, int jobId, const char* requested) {
  http_t* http =
      httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
  if (!http) return nullptr;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const QByteArray uri = QStringLiteral("ipp://127.0.0.1:%1/jobs/%2").arg(port).arg(jobId).toLatin1();
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, requested);
  ipp_t* response = cupsDoRequest(http, request, "/");
  httpClose(http);
  if (response && ippGetStatusCode(response) > IPP_STATUS_OK_CONFLICTING) {
    ippDelete(response);
    return nullptr;
  }
  return response;
}

}  // namespace

int CupsScheduler::JobState(int jobId) {
  ipp_t* response = GetJob(port_, jobId, "job-state");
  if (!response) return 0;
  ipp_attribute_t* state = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
  const int value = state ? ippGetInteger(state, 0) : 0;
  ippDelete(response);
  return value;
}

bool CupsScheduler::WaitForJob(int jobId, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  do {
    const int state = JobState(jobId);
    if (state >= IPP_JSTATE_CANCELED) return state == IPP_JSTATE_COMPLETED;
    QThread::msleep(50);
  } while (!deadline.hasExpired());
  return false;
}

std::map<QString, QString> CupsScheduler::JobAttributes(int jobId) {
  std::map<QString, QString> attributes;
  ipp_t* response = GetJob(port_, jobId, "all");
  if (!response) return attributes;
  for (ipp_attribute_t* attribute = ippFirstAttribute(response); attribute;
       attribute = ippNextAttribute(response)) {
    if (!ippGetName(attribute) || ippGetGroupTag(attribute) != IPP_TAG_JOB) continue;
    char text[4096];
    ippAttributeString(attribute, text, sizeof(text));
    attributes[QString::fromUtf8(ippGetName(attribute))] = QString::fromUtf8(text);
  }
  ippDelete(response);
  return attributes;
}

}  // namespace pyxa::test
