#include "ClinicSessions.h"

#include <QRandomGenerator>
#include <array>

namespace pyxa {

ClinicSessions::ClinicSessions(const Clock& clock, qint64 idleLimitSeconds)
    : clock_(clock), idleLimitMs_(idleLimitSeconds * 1000) {}

QString ClinicSessions::Add(std::unique_ptr<LocalClinic> clinic) {
  std::array<quint32, 8> random{};
  QRandomGenerator::system()->fillRange(random.data(), random.size());
  const QString token =
      QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(random.data()), sizeof(random)).toHex());
  auto session = std::make_shared<Session>();
  session->clinic = std::move(clinic);

  const qint64 now = clock_.Now().toMSecsSinceEpoch();
  const std::lock_guard lock(mutex_);
  // Workstations that never log out would otherwise keep their sessions for as long as the server runs.
  for (auto it = sessions_.begin(); it != sessions_.end();) {
    it = now - it->lastUsedMs > idleLimitMs_ ? sessions_.erase(it) : std::next(it);
  }
  sessions_.insert(token, Entry{std::move(session), now});
  return token;
}

std::shared_ptr<ClinicSessions::Session> ClinicSessions::Find(const QString& token) {
  const qint64 now = clock_.Now().toMSecsSinceEpoch();
  const std::lock_guard lock(mutex_);
  const auto found = sessions_.find(token);
  if (found == sessions_.end()) return nullptr;
  found->lastUsedMs = std::max(found->lastUsedMs, now);
  return found->session;
}

void ClinicSessions::Drop(const QString& token) {
  const std::lock_guard lock(mutex_);
  sessions_.remove(token);
}

int ClinicSessions::Count() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(sessions_.size());
}

}  // namespace pyxa
