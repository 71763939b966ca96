// Creates the session object for the configured service URL: the embedded clinic for file: URLs
// (and for an empty one); for http(s) URLs, until the HTTP client exists, an object whose every
// call reports that this build cannot reach such a service.
#pragma once

#include "components/ClinicalService.h"
#include "platform/Clock.h"

namespace pyxa {

class ServiceFactory final : public ClinicalServiceFactory {
 public:
  // configuredUrl is also the endpoint of the two-argument Connect. The clock must outlive every
  // object created.
  ServiceFactory(QString configuredUrl, const Clock& clock);
  std::unique_ptr<ClinicalService> Create() override;

 private:
  QString url_;
  const Clock& clock_;
};

// The file: URL of a clinic file.
QString ClinicUrlForPath(const QString& path);

}  // namespace pyxa
