// A demo clinic and one set of demo paper made from it, shared by the demo paper tests and made
// only when a test asks (CTest runs each test in a process of its own).
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "DemoPaper.h"
#include "PaperCast.h"
#include "components/DemoClinic.h"
#include "platform/Clock.h"

namespace pyxa::papertest {

inline const QDateTime kPaperDay(QDate(2026, 11, 30), QTime(9, 15, 22));

inline QTemporaryDir& WorldFolder() {
  static QTemporaryDir folder;
  return folder;
}

inline const QString& Clinic() {
  static const QString path = [] {
    const QString file = WorldFolder().filePath(QStringLiteral("clinic.sqlite"));
    ManualClock clock(kPaperDay);
    QString error;
    // Few hash iterations: the accounts do not matter here, the patients do.
    if (!CreateDemoClinic(file, clock, error, {64})) ADD_FAILURE() << error.toStdString();
    return file;
  }();
  return path;
}

inline const PaperCast& Cast() {
  static const PaperCast cast = [] {
    PaperCast loaded;
    QString error;
    if (!LoadPaperCast(Clinic(), loaded, error)) ADD_FAILURE() << error.toStdString();
    return loaded;
  }();
  return cast;
}

// The "Available Files" folder beside the clinic, filled at the real resolutions.
inline const QString& Paper() {
  static const QString path = [] {
    const QString folder = WorldFolder().filePath(QStringLiteral("Available Files"));
    ManualClock clock(kPaperDay);
    QString error;
    if (!CreateDemoPaper(folder, Cast(), clock, error)) ADD_FAILURE() << error.toStdString();
    return folder;
  }();
  return path;
}

}  // namespace pyxa::papertest
