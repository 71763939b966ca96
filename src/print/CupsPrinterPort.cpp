#include "print/CupsPrinterPort.h"

#include "print/PaperSizes.h"

#include <cups/cups.h>
#include <cups/ppd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

// The PPD interface is deprecated in libcups 2.x but is still how a queue's driver describes its
// trays, sizes and options; its calls below are wrapped to keep that warning out of the build.
#define PYXA_PPD_BEGIN _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Wdeprecated-declarations\"")
#define PYXA_PPD_END _Pragma("GCC diagnostic pop")

namespace pyxa {
namespace {

constexpr int kConnectMsec = 5000;
constexpr double kReplySeconds = 10.0;  // a scheduler that accepted the connection but never answers
constexpr double kMmPerPoint = 25.4 / 72.0;

// Where the print service is and how the details name it.
struct Endpoint {
  QByteArray host;
  int port = 0;
  http_encryption_t encryption = HTTP_ENCRYPTION_IF_REQUESTED;
  QString shownHost;
};

Endpoint ResolveServer(const QString& server) {
  Endpoint endpoint;
  QString host = server;
  if (server.isEmpty()) {
    // libcups' own choice for this user: CUPS_SERVER, client.conf or the local scheduler.
    host = QString::fromUtf8(cupsServer());
    endpoint.port = ippPort();
    endpoint.encryption = cupsEncryption();
  } else if (!server.startsWith(QLatin1Char('/'))) {
    endpoint.port = 631;
    int colon = -1;
    if (server.startsWith(QLatin1Char('['))) {  // [IPv6]:port
      const int closing = server.indexOf(QLatin1Char(']'));
      host = server.mid(1, closing - 1);
      if (closing > 0 && server.mid(closing + 1).startsWith(QLatin1Char(':'))) colon = closing + 1;
    } else if (server.count(QLatin1Char(':')) == 1) {
      colon = server.indexOf(QLatin1Char(':'));
      host = server.left(colon);
    }
    bool number = false;
    const int port = colon >= 0 ? server.mid(colon + 1).toInt(&number) : 0;
    if (number && port > 0 && port < 65536) endpoint.port = port;
  }
  endpoint.host = host.toUtf8();
  endpoint.shownHost = host.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : host;
  return endpoint;
}

// Never ask for a password on a terminal the desktop user cannot see: a service that wants one
// refuses the request instead.
const char* NoPassword(const char*, http_t*, const char*, const char*, void*) { return nullptr; }

// One connection per call, closed when the call ends.
class Connection {
 public:
  explicit Connection(const Endpoint& endpoint) {
    cupsSetPasswordCB2(NoPassword, nullptr);
    errno = 0;
    http_ = httpConnect2(endpoint.host.constData(), endpoint.port, nullptr, AF_UNSPEC, endpoint.encryption, 1,
                         kConnectMsec, nullptr);
    const int reason = errno;
    if (http_)
      httpSetTimeout(http_, kReplySeconds, nullptr, nullptr);
    else
      error_ = QStringLiteral("Cannot reach the print service at %1: %2")
                   .arg(QString::fromUtf8(endpoint.host),
                        reason ? QString::fromLocal8Bit(std::strerror(reason)) : QStringLiteral("no answer"));
  }
  ~Connection() {
    if (http_) httpClose(http_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  http_t* get() const { return http_; }
  const QString& error() const { return error_; }

 private:
  http_t* http_ = nullptr;
  QString error_;
};

// "queue/instance" as libcups names an instance, split.
std::pair<QByteArray, QByteArray> SplitName(const QString& printer) {
  const int slash = printer.indexOf(QLatin1Char('/'));
  if (slash < 0) return {printer.toUtf8(), {}};
  return {printer.left(slash).toUtf8(), printer.mid(slash + 1).toUtf8()};
}

QString DestName(const cups_dest_t& dest) {
  QString name = QString::fromUtf8(dest.name);
  if (dest.instance) name += QLatin1Char('/') + QString::fromUtf8(dest.instance);
  return name;
}

QString DestOption(const cups_dest_t& dest, const char* option) {
  return QString::fromUtf8(cupsGetOption(option, dest.num_options, dest.options));
}

// The destinations the service lists, with the user's instances and default.
class Destinations {
 public:
  explicit Destinations(http_t* http) {
    if (http) count_ = cupsGetDests2(http, &dests_);
  }
  ~Destinations() { cupsFreeDests(count_, dests_); }
  Destinations(const Destinations&) = delete;
  Destinations& operator=(const Destinations&) = delete;

  int count() const { return count_; }
  cups_dest_t& at(int index) const { return dests_[index]; }
  cups_dest_t* Find(const QString& printer) const {
    const auto [queue, instance] = SplitName(printer);
    if (queue.isEmpty()) return nullptr;
    return cupsGetDest(queue.constData(), instance.isEmpty() ? nullptr : instance.constData(), count_, dests_);
  }

 private:
  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

// --- Paper sizes -------------------------------------------------------------------------------

// A sheet as the driver states it, before it gets its code.
struct DriverPaper {
  QString text;
  JobOption option;
  double widthMm = 0, heightMm = 0;
  QMarginsF marginsMm;  // left, top, right, bottom as stated
};

// Codes and names by size, portrait sheets; a second sheet of a known size (a borderless A4 after
// the A4) gets a code of its own so that every code names exactly one choice.
std::vector<PaperSize> CodePapers(const std::vector<DriverPaper>& papers) {
  std::vector<PaperSize> sizes;
  std::vector<int> used;
  for (const DriverPaper& paper : papers) {
    PaperSize size;
    const KnownPaper* known = MatchPaper(paper.widthMm, paper.heightMm);
    if (known && std::find(used.begin(), used.end(), known->code) == used.end()) {
      size.code = known->code;
      size.name = QString::fromLatin1(known->name);
      used.push_back(known->code);
    } else {
      size.code = 256 + static_cast<int>(sizes.size());
      size.name = paper.text;
    }
    size.option = paper.option;
    const QMarginsF& m = paper.marginsMm;
    if (paper.widthMm > paper.heightMm) {
      // Turned a quarter clockwise to stand upright: the left edge becomes the top.
      size.sizeMm = QSizeF(paper.heightMm, paper.widthMm);
      size.marginsMm = QMarginsF(m.bottom(), m.left(), m.top(), m.right());
    } else {
      size.sizeMm = QSizeF(paper.widthMm, paper.heightMm);
      size.marginsMm = m;
    }
    sizes.push_back(size);
  }
  return sizes;
}

// The default first, the rest in the driver's order.
void DefaultFirst(std::vector<DriverPaper>* papers, const QString& defaultValue) {
  for (size_t i = 1; i < papers->size(); ++i)
    if ((*papers)[i].option.value == defaultValue) {
      std::rotate(papers->begin(), papers->begin() + static_cast<std::ptrdiff_t>(i),
                  papers->begin() + static_cast<std::ptrdiff_t>(i) + 1);
      return;
    }
}

int LeadingNumber(const char* text) {
  int value = 0;
  for (; text && *text >= '0' && *text <= '9'; ++text) value = value * 10 + (*text - '0');
  return value;
}

// --- PPD queues --------------------------------------------------------------------------------

PYXA_PPD_BEGIN

struct PpdCloser {
  void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};
using PpdFile = std::unique_ptr<ppd_file_t, PpdCloser>;

enum class PpdFetch { kFound, kNone, kFailed };

// The queue's PPD as the scheduler we talk to holds it, read through a private temporary file.
// (cupsGetPPD3 would read this computer's /etc/cups/ppd for any "localhost" connection, whatever
// scheduler it is, and reconnects with its own 30 s time-out.)
PpdFetch FetchPpd(http_t* http, const QByteArray& queue, PpdFile* ppd) {
  QTemporaryFile file(QDir::tempPath() + QStringLiteral("/pyxa-ppd-XXXXXX"));
  if (!file.open()) return PpdFetch::kFailed;
  const QByteArray resource = "/printers/" + QUrl::toPercentEncoding(QString::fromUtf8(queue)) + ".ppd";
  const http_status_t status = cupsGetFd(http, resource.constData(), file.handle());
  if (status == HTTP_STATUS_NOT_FOUND) return PpdFetch::kNone;
  if (status != HTTP_STATUS_OK) return PpdFetch::kFailed;
  ppd->reset(ppdOpenFile(QFile::encodeName(file.fileName()).constData()));
  if (!*ppd) return PpdFetch::kFailed;
  ppdMarkDefaults(ppd->get());
  return PpdFetch::kFound;
}

QString PpdDefault(ppd_file_t* ppd, ppd_option_t* option) {
  const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, option->keyword);
  return QString::fromUtf8(marked ? marked->choice : option->defchoice);
}

void PpdCapabilities(ppd_file_t* ppd, PrinterCapabilities* caps) {
  std::vector<DriverPaper> papers;
  if (ppd_option_t* pageSize = ppdFindOption(ppd, "PageSize")) {
    for (int i = 0; i < pageSize->num_choices; ++i) {
      const ppd_choice_t& choice = pageSize->choices[i];
      const ppd_size_t* size = std::strcmp(choice.choice, "Custom") ? ppdPageSize(ppd, choice.choice) : nullptr;
      if (!size || size->width <= 0 || size->length <= 0) continue;
      DriverPaper paper;
      paper.text = QString::fromUtf8(choice.text);
      paper.option = {QStringLiteral("PageSize"), QString::fromUtf8(choice.choice)};
      paper.widthMm = size->width * kMmPerPoint;
      paper.heightMm = size->length * kMmPerPoint;
      paper.marginsMm = QMarginsF(std::max(0.0f, size->left) * kMmPerPoint,
                                  std::max(0.0f, size->length - size->top) * kMmPerPoint,
                                  std::max(0.0f, size->width - size->right) * kMmPerPoint,
                                  std::max(0.0f, size->bottom) * kMmPerPoint);
      papers.push_back(paper);
    }
    DefaultFirst(&papers, PpdDefault(ppd, pageSize));
  }
  caps->paperSizes = CodePapers(papers);

  if (ppd_option_t* slot = ppdFindOption(ppd, "InputSlot"))
    for (int i = 0; i < slot->num_choices; ++i)
      caps->paperSources.push_back({i + 1, QString::fromUtf8(slot->choices[i].text),
                                    {QStringLiteral("InputSlot"), QString::fromUtf8(slot->choices[i].choice)}});

  if (ppd_option_t* duplex = ppdFindOption(ppd, "Duplex")) {
    const auto choice = [&](const char* name) {
      return ppdFindChoice(duplex, name) ? JobOption{QStringLiteral("Duplex"), QString::fromLatin1(name)}
                                         : JobOption{};
    };
    caps->duplexOptions[0] = choice("None");
    caps->duplex = ppdFindChoice(duplex, "DuplexNoTumble") != nullptr;
    if (caps->duplex) {
      caps->duplexOptions[1] = choice("DuplexNoTumble");
      caps->duplexOptions[2] = choice("DuplexTumble");
    }
  }

  int resolution = 0;
  if (const ppd_choice_t* marked = ppdFindMarkedChoice(ppd, "Resolution")) resolution = LeadingNumber(marked->choice);
  if (resolution <= 0)
    if (const ppd_attr_t* attr = ppdFindAttr(ppd, "DefaultResolution", nullptr))
      resolution = LeadingNumber(attr->value);
  caps->resolution = resolution > 0 ? resolution : 300;
}

void AddPpdOptions(ppd_file_t* ppd, const ppd_group_t& group, const QString& groupText,
                   std::vector<DriverOption>* options) {
  for (int i = 0; i < group.num_options; ++i) {
    ppd_option_t* option = &group.options[i];
    // PageRegion only repeats PageSize; a list of several choices has no place in the window.
    if (!std::strcmp(option->keyword, "PageRegion") || option->ui == PPD_UI_PICKMANY || option->num_choices == 0)
      continue;
    DriverOption out;
    out.keyword = QString::fromUtf8(option->keyword);
    out.text = QString::fromUtf8(option->text[0] ? option->text : option->keyword);
    out.group = groupText;
    for (int c = 0; c < option->num_choices; ++c)
      out.choices.push_back({QString::fromUtf8(option->choices[c].choice), QString::fromUtf8(option->choices[c].text)});
    out.defaultChoice = PpdDefault(ppd, option);
    options->push_back(out);
  }
  for (int s = 0; s < group.num_subgroups; ++s) AddPpdOptions(ppd, group.subgroups[s], groupText, options);
}

std::vector<DriverOption> PpdOptions(ppd_file_t* ppd) {
  std::vector<DriverOption> options;
  for (int g = 0; g < ppd->num_groups; ++g) {
    const ppd_group_t& group = ppd->groups[g];
    AddPpdOptions(ppd, group, QString::fromUtf8(group.text[0] ? group.text : group.name), &options);
  }
  return options;
}

PYXA_PPD_END

// --- IPP printers without a PPD ----------------------------------------------------------------

struct DestInfoDeleter {
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};
using DestInfo = std::unique_ptr<cups_dinfo_t, DestInfoDeleter>;

// The printer's IPP attributes. libcups asks the printer's device URI rather than the queue for
// any scheduler but the default one; a copy of the destination whose device is the queue itself
// keeps the question on the scheduler we talk to.
DestInfo CopyDestInfo(http_t* http, cups_dest_t* dest) {
  const char* queueUri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  if (!queueUri) return DestInfo(cupsCopyDestInfo(http, dest));
  cups_dest_t* copy = nullptr;
  if (cupsCopyDest(dest, 0, &copy) != 1 || !copy) return {};
  const QByteArray uri(queueUri);
  copy->num_options = cupsAddOption("device-uri", uri.constData(), copy->num_options, &copy->options);
  DestInfo info(cupsCopyDestInfo(http, copy));
  cupsFreeDests(1, copy);
  return info;
}

// One value of an IPP attribute as the keyword a job option takes.
QString IppValue(ipp_attribute_t* attr, int index) {
  switch (ippGetValueTag(attr)) {
    case IPP_TAG_ENUM:
      return QString::fromUtf8(ippEnumString(ippGetName(attr), ippGetInteger(attr, index)));
    case IPP_TAG_INTEGER:
      return QString::number(ippGetInteger(attr, index));
    case IPP_TAG_KEYWORD:
    case IPP_TAG_NAME:
    case IPP_TAG_TEXT:
    case IPP_TAG_STRING:
      return QString::fromUtf8(ippGetString(attr, index, nullptr));
    default:
      return {};
  }
}

std::vector<QString> IppSupported(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, const char* name) {
  std::vector<QString> values;
  if (ipp_attribute_t* attr = cupsFindDestSupported(http, dest, info, name))
    for (int i = 0; i < ippGetCount(attr); ++i)
      if (QString value = IppValue(attr, i); !value.isEmpty()) values.push_back(value);
  return values;
}

bool Contains(const std::vector<QString>& values, const char* value) {
  return std::find(values.begin(), values.end(), QLatin1String(value)) != values.end();
}

QString IppText(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, const char* name, const QString& value) {
  const char* text = cupsLocalizeDestValue(http, dest, info, name, value.toUtf8().constData());
  return text && *text ? QString::fromUtf8(text) : value;
}

void IppCapabilities(http_t* http, cups_dest_t* dest, cups_dinfo_t* info, PrinterCapabilities* caps) {
  std::vector<DriverPaper> papers;
  const int count = cupsGetDestMediaCount(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT);
  for (int i = 0; i < count; ++i) {
    cups_size_t size;
    if (!cupsGetDestMediaByIndex(http, dest, info, i, CUPS_MEDIA_FLAGS_DEFAULT, &size) || size.width <= 0 ||
        size.length <= 0)
      continue;
    DriverPaper paper;
    const char* text = cupsLocalizeDestMedia(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size);
    paper.text = QString::fromUtf8(text && *text ? text : size.media);
    paper.option = {QStringLiteral("media"), QString::fromUtf8(size.media)};
    // IPP gives hundredths of a millimetre.
    paper.widthMm = size.width / 100.0;
    paper.heightMm = size.length / 100.0;
    paper.marginsMm = QMarginsF(size.left / 100.0, size.top / 100.0, size.right / 100.0, size.bottom / 100.0);
    papers.push_back(paper);
  }
  cups_size_t defaultSize;
  if (cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &defaultSize))
    DefaultFirst(&papers, QString::fromUtf8(defaultSize.media));
  caps->paperSizes = CodePapers(papers);

  const std::vector<QString> sources = IppSupported(http, dest, info, CUPS_MEDIA_SOURCE);
  for (size_t i = 0; i < sources.size(); ++i)
    caps->paperSources.push_back({static_cast<int>(i) + 1, IppText(http, dest, info, CUPS_MEDIA_SOURCE, sources[i]),
                                  {QStringLiteral(CUPS_MEDIA_SOURCE), sources[i]}});

  const std::vector<QString> sides = IppSupported(http, dest, info, CUPS_SIDES);
  const auto side = [&](const char* value) {
    return Contains(sides, value) ? JobOption{QStringLiteral(CUPS_SIDES), QString::fromLatin1(value)} : JobOption{};
  };
  caps->duplexOptions[0] = side(CUPS_SIDES_ONE_SIDED);
  caps->duplex = Contains(sides, CUPS_SIDES_TWO_SIDED_PORTRAIT);
  if (caps->duplex) {
    caps->duplexOptions[1] = side(CUPS_SIDES_TWO_SIDED_PORTRAIT);
    caps->duplexOptions[2] = side(CUPS_SIDES_TWO_SIDED_LANDSCAPE);
  }

  caps->resolution = 300;
  if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, "printer-resolution")) {
    if (ippGetValueTag(attr) == IPP_TAG_RESOLUTION) {
      int yres = 0;
      ipp_res_t units = IPP_RES_PER_INCH;
      const int xres = ippGetResolution(attr, 0, &yres, &units);
      const int dpi = units == IPP_RES_PER_CM ? static_cast<int>(std::lround(xres * 2.54)) : xres;
      if (dpi > 0) caps->resolution = dpi;
    }
  }
}

std::vector<DriverOption> IppOptions(http_t* http, cups_dest_t* dest, cups_dinfo_t* info) {
  std::vector<DriverOption> options;
  for (const char* name : {CUPS_MEDIA, CUPS_MEDIA_SOURCE, CUPS_SIDES, CUPS_PRINT_COLOR_MODE, CUPS_PRINT_QUALITY}) {
    const std::vector<QString> values = IppSupported(http, dest, info, name);
    if (values.empty()) continue;
    DriverOption option;
    option.keyword = QString::fromLatin1(name);
    const char* text = cupsLocalizeDestOption(http, dest, info, name);
    option.text = text && *text ? QString::fromUtf8(text) : option.keyword;
    option.group = QStringLiteral("General");
    for (const QString& value : values) option.choices.push_back({value, IppText(http, dest, info, name, value)});
    if (ipp_attribute_t* attr = cupsFindDestDefault(http, dest, info, name))
      option.defaultChoice = ippGetValueTag(attr) == IPP_TAG_BEGIN_COLLECTION ? QString() : IppValue(attr, 0);
    if (option.defaultChoice.isEmpty() && !std::strcmp(name, CUPS_MEDIA)) {
      cups_size_t size;
      if (cupsGetDestMediaDefault(http, dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size))
        option.defaultChoice = QString::fromUtf8(size.media);
    }
    options.push_back(option);
  }
  return options;
}

// Printer attributes the destination list carries beside an instance's own options; a job must
// not send them back.
bool IsPrinterAttribute(const char* name) {
  for (const char* prefix : {"printer-", "device-uri", "marker-", "auth-info-required", "job-sheets-default"})
    if (!std::strncmp(name, prefix, std::strlen(prefix))) return true;
  return false;
}

}  // namespace

CupsPrinterPort::CupsPrinterPort(QString server) : server_(std::move(server)) {}

std::vector<QString> CupsPrinterPort::PrinterNames() {
  const Connection connection(ResolveServer(server_));
  const Destinations dests(connection.get());
  std::vector<QString> names;
  for (int i = 0; i < dests.count(); ++i) names.push_back(DestName(dests.at(i)));
  return names;
}

QString CupsPrinterPort::DefaultPrinter() {
  const Connection connection(ResolveServer(server_));
  const Destinations dests(connection.get());
  for (int i = 0; i < dests.count(); ++i)
    if (dests.at(i).is_default) return DestName(dests.at(i));
  return {};
}

bool CupsPrinterPort::Details(const QString& printer, PrinterDetails* details) {
  const Endpoint endpoint = ResolveServer(server_);
  const Connection connection(endpoint);
  const Destinations dests(connection.get());
  const cups_dest_t* dest = dests.Find(printer);
  if (!dest) return false;
  details->server = endpoint.shownHost;
  details->driver = DestOption(*dest, "printer-make-and-model");
  details->port = DestOption(*dest, "device-uri");
  if (details->port.isEmpty()) details->port = DestOption(*dest, "printer-uri-supported");
  details->share = DestOption(*dest, "printer-is-shared") == QLatin1String("true") ? QString::fromUtf8(dest->name)
                                                                                   : QString();
  return true;
}

bool CupsPrinterPort::Capabilities(const QString& printer, PrinterCapabilities* capabilities) {
  const Connection connection(ResolveServer(server_));
  const Destinations dests(connection.get());
  cups_dest_t* dest = dests.Find(printer);
  if (!dest) return false;
  PrinterCapabilities caps;
  PpdFile ppd;
  switch (FetchPpd(connection.get(), dest->name, &ppd)) {
    case PpdFetch::kFound:
      PpdCapabilities(ppd.get(), &caps);
      break;
    case PpdFetch::kNone: {
      const DestInfo info = CopyDestInfo(connection.get(), dest);
      if (!info) return false;
      IppCapabilities(connection.get(), dest, info.get(), &caps);
      break;
    }
    case PpdFetch::kFailed:
      return false;
  }
  *capabilities = std::move(caps);
  return true;
}

std::vector<DriverOption> CupsPrinterPort::DriverOptions(const QString& printer) {
  const Connection connection(ResolveServer(server_));
  const Destinations dests(connection.get());
  cups_dest_t* dest = dests.Find(printer);
  if (!dest) return {};
  PpdFile ppd;
  switch (FetchPpd(connection.get(), dest->name, &ppd)) {
    case PpdFetch::kFound:
      return PpdOptions(ppd.get());
    case PpdFetch::kNone: {
      const DestInfo info = CopyDestInfo(connection.get(), dest);
      return info ? IppOptions(connection.get(), dest, info.get()) : std::vector<DriverOption>{};
    }
    case PpdFetch::kFailed:
      break;
  }
  return {};
}

SubmitResult CupsPrinterPort::SubmitPdf(const QString& printer, const QString& pdfPath, const QString& title,
                                        const JobOptions& options) {
  const Endpoint endpoint = ResolveServer(server_);
  const Connection connection(endpoint);
  http_t* http = connection.get();
  if (!http) return {false, 0, connection.error()};
  QFile pdf(pdfPath);
  if (!pdf.open(QIODevice::ReadOnly))
    return {false, 0, QStringLiteral("Cannot read %1: %2").arg(pdfPath, pdf.errorString())};

  cups_option_t* jobOptions = nullptr;
  int optionCount = 0;
  for (const JobOption& option : options)
    optionCount = cupsAddOption(option.name.toUtf8().constData(), option.value.toUtf8().constData(), optionCount,
                                &jobOptions);
  const auto [queue, instance] = SplitName(printer);
  QByteArray queueUri;
  {
    const Destinations dests(http);
    if (cups_dest_t* dest = dests.Find(printer)) {
      // A printer found on the network has no queue yet; reading its attributes makes the local
      // scheduler set one up, as libcups does for its own jobs.
      if (!cupsGetOption("printer-uri-supported", dest->num_options, dest->options)) CopyDestInfo(http, dest);
      queueUri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
      // An instance is the queue with the user's saved options; the caller's own options win.
      for (int i = 0; dest->instance && i < dest->num_options; ++i) {
        const cups_option_t& saved = dest->options[i];
        if (!IsPrinterAttribute(saved.name) && !cupsGetOption(saved.name, optionCount, jobOptions))
          optionCount = cupsAddOption(saved.name, saved.value, optionCount, &jobOptions);
      }
    }
  }
  // One Print-Job request of our own: cupsCreateJob and cupsPrintFile2 look the queue up again
  // through libcups' destination cache, which fails for any scheduler but the default one.
  char uri[HTTP_MAX_URI];
  char resource[HTTP_MAX_URI];
  char scheme[32], userpass[256], host[256];
  int port = 0;
  if (queueUri.isEmpty() ||
      httpSeparateURI(HTTP_URI_CODING_ALL, queueUri.constData(), scheme, sizeof(scheme), userpass, sizeof(userpass),
                      host, sizeof(host), &port, resource, sizeof(resource)) < HTTP_URI_STATUS_OK) {
    // Not listed: the scheduler itself says what became of the queue.
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof(uri), "ipp", nullptr, "localhost", 0, "/printers/%s",
                     queue.constData());
    httpSeparateURI(HTTP_URI_CODING_ALL, uri, scheme, sizeof(scheme), userpass, sizeof(userpass), host,
                    sizeof(host), &port, resource, sizeof(resource));
  } else {
    std::snprintf(uri, sizeof(uri), "%s", queueUri.constData());
  }
  const QByteArray jobTitle = (title.isEmpty() ? QFileInfo(pdfPath).fileName() : title).toUtf8();
  const QByteArray document = QFileInfo(pdfPath).fileName().toUtf8();
  ipp_t* request = ippNewRequest(IPP_OP_PRINT_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, jobTitle.constData());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, document.constData());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, CUPS_FORMAT_PDF);
  cupsEncodeOptions2(request, optionCount, jobOptions, IPP_TAG_OPERATION);
  cupsEncodeOptions2(request, optionCount, jobOptions, IPP_TAG_JOB);
  cupsFreeOptions(optionCount, jobOptions);
  pdf.close();
  ipp_t* response = cupsDoFileRequest(http, request, resource, QFile::encodeName(pdfPath).constData());
  ipp_attribute_t* job = response ? ippFindAttribute(response, "job-id", IPP_TAG_INTEGER) : nullptr;
  const int jobId = job && cupsLastError() <= IPP_STATUS_OK_CONFLICTING ? ippGetInteger(job, 0) : 0;
  ippDelete(response);
  if (jobId <= 0) {
    const char* reason = cupsLastErrorString();
    return {false, 0, reason && *reason ? QString::fromUtf8(reason) : QStringLiteral("The print service refused the job.")};
  }
  return {true, jobId, {}};
}

}  // namespace pyxa
