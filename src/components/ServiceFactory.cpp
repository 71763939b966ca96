#include "components/ServiceFactory.h"

#include <QUrl>
#include <utility>

#include "components/HttpClinic.h"
#include "components/LocalClinic.h"

namespace pyxa {

ServiceFactory::ServiceFactory(QString configuredUrl, const Clock& clock, ServiceOptions options)
    : url_(std::move(configuredUrl)), clock_(clock), options_(std::move(options)) {}

std::unique_ptr<ClinicalService> ServiceFactory::Create() {
  if (!IsNetworkUrl(url_)) return std::make_unique<LocalClinic>(url_, clock_);
  HttpClinicOptions options;
  options.timeoutSeconds = options_.timeoutSeconds;
  options.caFile = options_.caFile;
  // The acceptance names one address: another insecure one is asked about anew.
  options.allowPlainHttp = !options_.acceptedInsecureUrl.trimmed().isEmpty() &&
                           options_.acceptedInsecureUrl.trimmed() == url_.trimmed();
  options.waiter = options_.waiter;
  return std::make_unique<HttpClinic>(url_, options);
}

QString ClinicUrlForPath(const QString& path) { return QUrl::fromLocalFile(path).toString(); }

bool IsNetworkUrl(const QString& url) {
  const QString scheme = QUrl(url.trimmed()).scheme().toLower();
  return scheme == QStringLiteral("http") || scheme == QStringLiteral("https");
}

}  // namespace pyxa
