// The navigator: its arithmetic, and the window driven with the mouse over a real page view.
#include "thumbnail/NavigatorGeometry.h"
#include "mainwindow/ui/PageView.h"
#include "thumbnail/ui/frmThumbnail.h"

#include "mainwindow/MainWindowFixture.h"

#include <QFrame>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QLabel>
#include <QScrollBar>

namespace pyxa {
namespace {

TEST(NavigatorGeometry, MiniatureRectangleDragAndCentre) {
  // A page twice as high as wide, in a navigator 100 wide, gives a miniature 200 high.
  EXPECT_EQ(MiniatureSize(100, QSizeF(850, 1700)), QSize(100, 200));
  EXPECT_EQ(MiniatureSize(100, QSizeF()), QSize());
  // At 200 % a 400 x 300 view shows 200 x 150 page pixels; scrolled to (400, 850) of 800 x 1600.
  const ViewExtent view{QSizeF(800, 1600), QPointF(400, 850), QSizeF(200, 150)};
  EXPECT_EQ(VisibleRectangle(view, QSize(100, 200)), QRect(50, 106, 25, 19));
  // A view larger than the page: the whole miniature.
  EXPECT_EQ(VisibleRectangle({QSizeF(800, 1600), QPointF(), QSizeF(900, 1700)}, QSize(100, 200)), QRect(0, 0, 100, 200));
  EXPECT_EQ(ScrollForRectangle(QPoint(10, 20), QSizeF(800, 1600), QSize(100, 200)), QPoint(80, 160));
  // The rectangle follows the mouse but stays inside the miniature.
  EXPECT_EQ(DraggedRectangle(QPoint(30, 40), QPoint(5, 5), QSize(25, 19), QSize(100, 200)), QPoint(25, 35));
  EXPECT_EQ(DraggedRectangle(QPoint(-50, 500), QPoint(5, 5), QSize(25, 19), QSize(100, 200)), QPoint(0, 181));
  // A click centres the view there, within the page.
  EXPECT_EQ(ScrollCentredOn(QPoint(50, 100), view, QSize(100, 200)), QPoint(300, 725));
  EXPECT_EQ(ScrollCentredOn(QPoint(0, 0), view, QSize(100, 200)), QPoint(0, 0));
  EXPECT_EQ(ScrollCentredOn(QPoint(100, 200), view, QSize(100, 200)), QPoint(600, 1450));
  // A window left beyond a smaller screen comes back onto it.
  EXPECT_EQ(KeptOnScreen(QRect(1800, 1000, 200, 260), QRect(0, 0, 1280, 800)), QPoint(1080, 540));
  EXPECT_EQ(KeptOnScreen(QRect(-300, -20, 200, 260), QRect(0, 0, 1280, 800)), QPoint(0, 0));
  EXPECT_EQ(KeptOnScreen(QRect(100, 100, 200, 260), QRect(0, 0, 1280, 800)), QPoint(100, 100));
}

class NavigatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    // An 800 x 1600 page with a dark top half, so that a miniature of it can be told apart.
    QImage page(800, 1600, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 0; y < 800; ++y)
      for (int x = 0; x < 800; ++x) page.setPixel(x, y, qRgb(40, 40, 40));
    jpeg = dir.filePath(QStringLiteral("page.jpg"));
    ASSERT_TRUE(page.save(jpeg));
    view.resize(400, 300);
    view.show();
    // Wired as the main window wires them.
    QObject::connect(&view, &PageView::PageChanged, &navigator, &frmThumbnail::FollowPage);
    QObject::connect(&view, &PageView::ScrollChanged, &navigator, &frmThumbnail::FollowScroll);
    navigator.MD_TIFF_Ref(&view);
    navigator.resize(100, 200);
    navigator.show();
  }
  QFrame* Rectangle() { return navigator.findChild<QFrame*>(QStringLiteral("Image1")); }
  QLabel* Miniature() { return navigator.findChild<QLabel*>(QStringLiteral("ImageNail")); }
  QPoint Scroll() { return {view.horizontalScrollBar()->value(), view.verticalScrollBar()->value()}; }

  QTemporaryDir dir;
  QString jpeg;
  PageView view;
  frmThumbnail navigator;
};

TEST_F(NavigatorTest, FollowsTheViewsPageZoomAndScroll) {
  EXPECT_TRUE(Rectangle()->isHidden());  // nothing shown yet
  ASSERT_TRUE(view.DisplayFile(jpeg).Ok());
  view.Zoom(100);
  EXPECT_EQ(Miniature()->size(), QSize(100, 200));
  EXPECT_FALSE(Rectangle()->isHidden());
  const QRect atHundred = Rectangle()->geometry();
  EXPECT_EQ(atHundred, VisibleRectangle(view.Extent(), QSize(100, 200)));
  EXPECT_EQ(atHundred.topLeft(), QPoint(0, 0));
  // The miniature is the page's: dark on top, light below.
  const QImage miniature = Miniature()->pixmap().toImage();
  EXPECT_LT(qGray(miniature.pixel(50, 50)), 80);
  EXPECT_GT(qGray(miniature.pixel(50, 150)), 200);

  view.Zoom(200);  // twice the zoom: half the rectangle
  EXPECT_NEAR(Rectangle()->width(), atHundred.width() / 2.0, 1.0);
  EXPECT_NEAR(Rectangle()->height(), atHundred.height() / 2.0, 1.0);
  view.verticalScrollBar()->setValue(1600);  // 800 page pixels down: the middle of the miniature
  EXPECT_EQ(Rectangle()->y(), 100);

  view.Fit(FitMode::Window);  // the whole page shows: the rectangle is the whole miniature
  EXPECT_EQ(Rectangle()->geometry(), QRect(0, 0, 100, 200));

  ASSERT_TRUE(view.Rotate().Ok());  // turned on screen: the miniature turns with it
  EXPECT_EQ(Miniature()->size(), QSize(100, 50));

  // A PDF page shows read-only, and in miniature too.
  const QString pdf = dir.filePath(QStringLiteral("letter.pdf"));
  {
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    QPainter painter(&writer);
    painter.fillRect(QRect(0, 0, 2000, 2000), Qt::black);
  }
  ASSERT_TRUE(view.DisplayFile(pdf).Ok());
  EXPECT_EQ(Miniature()->size(), QSize(100, 129));
  EXPECT_FALSE(Rectangle()->isHidden());

  ASSERT_TRUE(view.DisplayFile(QString()).Ok());  // no page
  EXPECT_TRUE(Rectangle()->isHidden());
  EXPECT_TRUE(Miniature()->pixmap().isNull());
}

TEST_F(NavigatorTest, DraggingTheRectangleScrollsTheViewAndReleasingFreesThePointer) {
  ASSERT_TRUE(view.DisplayFile(jpeg).Ok());
  view.Zoom(200);
  ASSERT_EQ(Scroll(), QPoint(0, 0));
  QTest::mousePress(Rectangle(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(navigator.Dragging());
  EXPECT_EQ(QWidget::mouseGrabber(), Rectangle());
  QTest::mouseMove(Rectangle(), QPoint(15, 25));  // 10 x 20 miniature pixels = 80 x 160 page pixels
  EXPECT_EQ(Rectangle()->pos(), QPoint(10, 20));
  EXPECT_EQ(Scroll(), QPoint(160, 320));  // at 200 %
  QTest::mouseRelease(Rectangle(), Qt::LeftButton, {}, QPoint(15, 25));
  EXPECT_FALSE(navigator.Dragging());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

  // Pressed and released without a move: the pointer is free again and nothing moved.
  QTest::mousePress(Rectangle(), Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseRelease(Rectangle(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(Scroll(), QPoint(160, 320));

  // A click beside the rectangle centres the view there.
  QTest::mouseClick(Miniature(), Qt::LeftButton, {}, QPoint(50, 150));
  const ViewExtent extent = view.Extent();
  EXPECT_NEAR(extent.scroll.x() + extent.visible.width() / 2, 400, 2);
  EXPECT_NEAR(extent.scroll.y() + extent.visible.height() / 2, 1200, 2);

  // With no page, the mouse does nothing.
  ASSERT_TRUE(view.DisplayFile(QString()).Ok());
  QTest::mouseClick(Miniature(), Qt::LeftButton, {}, QPoint(50, 50));
  QTest::mousePress(Rectangle(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_FALSE(navigator.Dragging());
  QTest::mouseRelease(Rectangle(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

using testing::MainWindowTest;

TEST_F(MainWindowTest, ViewNavigatorShowsFollowsAndKeepsItsPlace) {
  ASSERT_TRUE(testing::WriteMarkedTiff(settings.AvailableFolder + QStringLiteral("batch.tif"), 3));
  window->show();
  QAction* command = Action("mnuViewNavigator");
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
  command->trigger();
  frmThumbnail* navigator = window->Navigator();
  ASSERT_NE(navigator, nullptr);
  EXPECT_TRUE(navigator->isVisible());
  EXPECT_EQ(navigator->windowTitle(), QStringLiteral("Navigator "));
  auto* rectangle = navigator->findChild<QFrame*>(QStringLiteral("Image1"));
  EXPECT_TRUE(rectangle->isHidden());  // no file shown yet

  window->cmdFile_Click();
  auto* files = Find<QTreeWidget>("sstFiles");
  const auto found = files->findItems(QStringLiteral("batch.tif"), Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_FALSE(found.isEmpty());
  files->setCurrentItem(found.first());
  window->sstFiles_NodeClick(found.first());
  EXPECT_FALSE(rectangle->isHidden());
  auto* miniature = navigator->findChild<QLabel*>(QStringLiteral("ImageNail"));
  const QImage first = miniature->pixmap().toImage();
  Action("mnuViewNext")->trigger();  // the next page's marks are elsewhere
  EXPECT_NE(miniature->pixmap().toImage(), first);

  // Where it was put is kept; closing it unticks the command, and it opens there again.
  window->NavigatorLeft(40);
  window->NavigatorTop(50);
  EXPECT_EQ(settings.NavigatorLeft, 40);
  EXPECT_EQ(settings.NavigatorTop, 50);
  navigator->close();
  EXPECT_FALSE(command->isChecked());
  command->trigger();
  EXPECT_TRUE(navigator->isVisible());
  EXPECT_EQ(navigator->frameGeometry().topLeft(), QPoint(40, 50));
  window->close();  // open at the end: open at the next start
  EXPECT_EQ(settings.NavigatorShown, 1);
}

}  // namespace
}  // namespace pyxa
