// The demo clinic: creates a clinic file with deterministic demo data (patients, physicians,
// reference lists, encounters and four accounts) for demonstrations and tests.
#pragma once

#include <QString>

#include "components/ClinicSchema.h"
#include "platform/Clock.h"

namespace pyxa {

struct DemoClinicOptions {
  // Password-hash iterations of the demo accounts; tests lower it to stay fast.
  int hashIterations = kDefaultHashIterations;
};

// Well-known rows of the demo clinic. Accounts (login = password): "demo" (every right, country
// "1"), "clerk" (no upload right), "resident" (no review right), "quebec" (country "2").
inline constexpr qint64 kDemoUserId = 101;
inline constexpr qint64 kDemoClerkUserId = 102;
inline constexpr qint64 kDemoResidentUserId = 103;
inline constexpr qint64 kDemoQuebecUserId = 104;
inline constexpr qint64 kDemoOfficeId = 11;
inline constexpr qint64 kDemoQuebecOfficeId = 12;
inline constexpr qint64 kDemoEnterpriseId = 7;
inline constexpr qint64 kDemoFirstPhysicianId = 201;                // "Okafor, Adaeze"; six in all
inline constexpr qint64 kDemoPhysicianWithoutCorrespondence = 206;  // has no correspondence types
inline constexpr qint64 kDemoFirstPatientId = 1001;                 // "O'Brien, Siobhan", born 1957-03-14
inline constexpr int kDemoPatientCount = 320;

// Creates the clinic file at path (its folder is made when missing) through a temporary file
// renamed into place, mode 0600. An existing file is left untouched and counts as success, so a
// user's work is kept. The same clock day gives the same content. On failure returns false and
// says why in error.
bool CreateDemoClinic(const QString& path, const Clock& clock, QString& error, const DemoClinicOptions& options = {});

}  // namespace pyxa
