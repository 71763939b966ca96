// A print service scripted by the test: printers with their details, capabilities and driver
// options, and a record of every job handed over (a copy of its PDF kept for reading back).
#pragma once

#include "print/PrinterPort.h"

#include <QFile>
#include <QString>
#include <map>
#include <vector>

namespace pyxa::test {

struct FakePrinter {
  QString name;
  PrinterDetails details;
  bool readable = true;  // false: details and capabilities cannot be read
  PrinterCapabilities capabilities;
  std::vector<DriverOption> options;
  bool accepting = true;
};

struct FakeJob {
  QString printer;
  QString title;
  JobOptions options;
  QByteArray pdf;
  QString Option(const QString& name) const {
    for (const JobOption& option : options)
      if (option.name == name) return option.value;
    return {};
  }
};

// Two trays, duplex, Letter and A4 at 300 dpi: the office printer most tests print on.
inline FakePrinter OfficePrinter(const QString& name = QStringLiteral("Office")) {
  FakePrinter printer;
  printer.name = name;
  printer.details = {QStringLiteral("localhost"), QStringLiteral("Pyxa Test Printer"),
                     QStringLiteral("file:///dev/null"), name};
  PrinterCapabilities& caps = printer.capabilities;
  caps.paperSizes = {
      {1, QStringLiteral("Letter, 8 1/2 x 11 in. "), {QStringLiteral("PageSize"), QStringLiteral("Letter")},
       QSizeF(215.9, 279.4), QMarginsF(6.35, 12.7, 6.35, 6.35)},
      {9, QStringLiteral("A4, 210 x 297 mm "), {QStringLiteral("PageSize"), QStringLiteral("A4")},
       QSizeF(210, 297), QMarginsF(6.35, 12.7, 6.35, 6.35)}};
  caps.paperSources = {{1, QStringLiteral("Tray 1"), {QStringLiteral("InputSlot"), QStringLiteral("Tray1")}},
                       {2, QStringLiteral("Tray 2"), {QStringLiteral("InputSlot"), QStringLiteral("Tray2")}}};
  caps.duplex = true;
  caps.duplexOptions = {JobOption{QStringLiteral("Duplex"), QStringLiteral("None")},
                        JobOption{QStringLiteral("Duplex"), QStringLiteral("DuplexNoTumble")},
                        JobOption{QStringLiteral("Duplex"), QStringLiteral("DuplexTumble")}};
  caps.resolution = 300;
  printer.options = {
      {QStringLiteral("TonerSave"), QStringLiteral("Toner Saving"), QStringLiteral("General"),
       {{QStringLiteral("False"), QStringLiteral("Off")}, {QStringLiteral("True"), QStringLiteral("On")}},
       QStringLiteral("False")},
      {QStringLiteral("InputSlot"), QStringLiteral("Paper Source"), QStringLiteral("General"),
       {{QStringLiteral("Tray1"), QStringLiteral("Tray 1")}, {QStringLiteral("Tray2"), QStringLiteral("Tray 2")}},
       QStringLiteral("Tray1")}};
  return printer;
}

// A single-sided printer with one source and Letter only.
inline FakePrinter PlainPrinter(const QString& name = QStringLiteral("Plain")) {
  FakePrinter printer = OfficePrinter(name);
  printer.capabilities.paperSizes.resize(1);
  printer.capabilities.paperSources.resize(1);
  printer.capabilities.duplex = false;
  printer.capabilities.duplexOptions[1] = {};
  printer.capabilities.duplexOptions[2] = {};
  printer.options.clear();
  return printer;
}

class FakePrinterPort : public PrinterPort {
 public:
  std::vector<FakePrinter> printers;
  QString defaultPrinter;
  std::vector<FakeJob> jobs;

  FakePrinter* Find(const QString& name) {
    for (FakePrinter& printer : printers)
      if (printer.name == name) return &printer;
    return nullptr;
  }

  std::vector<QString> PrinterNames() override {
    std::vector<QString> names;
    for (const FakePrinter& printer : printers) names.push_back(printer.name);
    return names;
  }
  QString DefaultPrinter() override { return Find(defaultPrinter) ? defaultPrinter : QString(); }
  bool Details(const QString& name, PrinterDetails* details) override {
    const FakePrinter* printer = Find(name);
    if (!printer || !printer->readable) return false;
    *details = printer->details;
    return true;
  }
  bool Capabilities(const QString& name, PrinterCapabilities* capabilities) override {
    const FakePrinter* printer = Find(name);
    if (!printer || !printer->readable) return false;
    *capabilities = printer->capabilities;
    return true;
  }
  std::vector<DriverOption> DriverOptions(const QString& name) override {
    const FakePrinter* printer = Find(name);
    return printer && printer->readable ? printer->options : std::vector<DriverOption>{};
  }
  SubmitResult SubmitPdf(const QString& name, const QString& pdfPath, const QString& title,
                         const JobOptions& options) override {
    const FakePrinter* printer = Find(name);
    if (!printer) return {false, 0, QStringLiteral("The printer or class does not exist.")};
    if (!printer->accepting) return {false, 0, QStringLiteral("Destination \"%1\" is not accepting jobs.").arg(name)};
    QFile file(pdfPath);
    if (!file.open(QIODevice::ReadOnly)) return {false, 0, QStringLiteral("Unable to open the print file.")};
    jobs.push_back({name, title, options, file.readAll()});
    return {true, static_cast<int>(jobs.size()), {}};
  }
};

}  // namespace pyxa::test
