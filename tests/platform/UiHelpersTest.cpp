#include <gtest/gtest.h>

#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QUrl>
#include <stdexcept>

#include "platform/ui/BusyCursor.h"
#include "platform/ui/ShellOpen.h"

namespace pyxa {
namespace {

Qt::CursorShape Pointer() {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor ? cursor->shape() : Qt::BitmapCursor;  // BitmapCursor: no override
}

TEST(BusyCursor, ShowsTheHourglassForItsScopeOnEveryPathAndNests) {
  ASSERT_EQ(Pointer(), Qt::BitmapCursor);
  {
    BusyCursor outer;
    EXPECT_EQ(Pointer(), Qt::WaitCursor);
    {
      BusyCursor inner;
      inner.Release();
      inner.Release();  // only once
      EXPECT_FALSE(inner.IsActive());
      EXPECT_EQ(Pointer(), Qt::WaitCursor);  // the outer guard still holds it
    }
    EXPECT_EQ(Pointer(), Qt::WaitCursor);
  }
  EXPECT_EQ(Pointer(), Qt::BitmapCursor);

  try {
    BusyCursor busy;
    throw std::runtime_error("store failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(Pointer(), Qt::BitmapCursor);

  QGuiApplication::setOverrideCursor(QCursor(Qt::IBeamCursor));  // someone else's pointer survives ours
  { BusyCursor busy; }
  EXPECT_EQ(Pointer(), Qt::IBeamCursor);
  QGuiApplication::restoreOverrideCursor();
}

class UrlRecorder : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public Q_SLOTS:
  void Open(const QUrl& url) { urls.append(url); }
};

TEST(ShellOpen, HandsAnExistingFileToTheDesktopAsAFileUrl) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("scan #1 (copy) %20.pdf"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  UrlRecorder recorder;
  QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "Open");
  DesktopShellOpener opener;
  EXPECT_TRUE(opener.Open(path));
  EXPECT_FALSE(ShellOpen(dir.filePath(QStringLiteral("missing.pdf"))));
  EXPECT_FALSE(ShellOpen(QString()));
  QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

  ASSERT_EQ(recorder.urls.size(), 1);
  EXPECT_TRUE(recorder.urls.front().isLocalFile());
  EXPECT_EQ(recorder.urls.front().toLocalFile(), path);
}

}  // namespace
}  // namespace pyxa

#include "UiHelpersTest.moc"
