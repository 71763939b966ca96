#include "LoginThrottle.h"

#include <algorithm>

#include "components/ClinicErrors.h"
#include "components/ClinicalService.h"

namespace pyxa {

LoginThrottle::LoginThrottle(const Clock& clock, LoginThrottleLimits limits) : clock_(clock), limits_(limits) {}

QString LoginThrottle::AccountKey(const QString& login, const QString& address) {
  // The clinic trims logins, so " demo" and "DEMO" are attempts at the same account.
  return login.trimmed().toLower() + QChar(u'\n') + address;
}

LoginThrottle::Failures* LoginThrottle::Current(QHash<QString, Failures>& table, const QString& key, qint64 nowMs) {
  const auto found = table.find(key);
  if (found == table.end()) return nullptr;
  if (nowMs - found->lastMs > limits_.windowSeconds * 1000) {
    table.erase(found);
    return nullptr;
  }
  return &found.value();
}

qint64 LoginThrottle::Wait(const Failures& failures, int limit, qint64 nowMs) const {
  if (failures.count < limit) return 0;
  const int doublings = std::min(failures.count - limit, 30);
  const qint64 waitMs = std::min(qint64{1} << doublings, limits_.maxWaitSeconds) * 1000;
  const qint64 leftMs = failures.lastMs + waitMs - nowMs;
  return leftMs <= 0 ? 0 : (leftMs + 999) / 1000;
}

void LoginThrottle::Admit(const QString& login, const QString& address) {
  const std::lock_guard lock(mutex_);
  const qint64 now = clock_.Now().toMSecsSinceEpoch();
  Failures* account = Current(accounts_, AccountKey(login, address), now);
  Failures* computer = Current(addresses_, address, now);
  const qint64 wait = std::max(account ? Wait(*account, limits_.accountFailures, now) : 0,
                               computer ? Wait(*computer, limits_.addressFailures, now) : 0);
  if (wait > 0) {
    throw ServiceError(kClinicErrorThrottled,
                       QStringLiteral("Too many failed logins for \"%1\" from this computer. Please wait %2 seconds "
                                      "and try again.")
                           .arg(login.trimmed())
                           .arg(wait));
  }
  if (account && account->count >= limits_.accountFailures) account->lastMs = now;
  if (computer && computer->count >= limits_.addressFailures) computer->lastMs = now;
}

void LoginThrottle::Failed(const QString& login, const QString& address) {
  const std::lock_guard lock(mutex_);
  const qint64 now = clock_.Now().toMSecsSinceEpoch();
  Forget(now);
  for (auto* table : {&accounts_, &addresses_}) {
    const QString key = table == &accounts_ ? AccountKey(login, address) : address;
    Failures* failures = Current(*table, key, now);
    if (!failures) failures = &table->insert(key, Failures{}).value();
    ++failures->count;
    failures->lastMs = now;
  }
}

void LoginThrottle::Succeeded(const QString& login, const QString& address) {
  const std::lock_guard lock(mutex_);
  accounts_.remove(AccountKey(login, address));
}

int LoginThrottle::Entries() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(accounts_.size() + addresses_.size());
}

void LoginThrottle::Forget(qint64 nowMs) {
  // Once a minute is enough: entries live for the window, so a sweep finds few of them expired.
  if (nowMs - lastSweepMs_ < 60 * 1000 && nowMs >= lastSweepMs_) return;
  lastSweepMs_ = nowMs;
  const qint64 oldest = nowMs - limits_.windowSeconds * 1000;
  for (auto* table : {&accounts_, &addresses_}) {
    for (auto it = table->begin(); it != table->end();) {
      it = it->lastMs < oldest ? table->erase(it) : std::next(it);
    }
  }
}

}  // namespace pyxa
