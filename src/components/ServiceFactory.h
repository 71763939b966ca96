// Creates the session object for the configured service URL: the embedded clinic for file: URLs
// (and for an empty one), the network client for https: and http: URLs.
#pragma once

#include "components/CallWaiter.h"
#include "components/ClinicalService.h"
#include "platform/Clock.h"

namespace pyxa {

// How a network session object calls its clinic; the embedded clinic ignores them.
struct ServiceOptions {
  int timeoutSeconds = 0;             // each call's time-out; 0: the clinic's own
  QString caFile;                     // certificates trusted beside the system's
  QString acceptedInsecureUrl;        // an http: address the user has accepted; others are refused
  CallWaiter* waiter = nullptr;       // shows the wait in a window; none: calls just wait
};

class ServiceFactory final : public ClinicalServiceFactory {
 public:
  // configuredUrl is also the endpoint of the two-argument Connect. The clock and the options'
  // waiter must outlive every object created.
  ServiceFactory(QString configuredUrl, const Clock& clock, ServiceOptions options = {});
  std::unique_ptr<ClinicalService> Create() override;

 private:
  QString url_;
  const Clock& clock_;
  ServiceOptions options_;
};

// The file: URL of a clinic file.
QString ClinicUrlForPath(const QString& path);
// Whether an address is one the network client serves (http: or https:).
bool IsNetworkUrl(const QString& url);

}  // namespace pyxa
