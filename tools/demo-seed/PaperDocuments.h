// The contents of the demo paper: what each document says and how its sheets are laid out. The
// scanning look and the files are DemoPaper's business.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QImage>
#include <vector>

#include "PaperCast.h"
#include "ScannedPage.h"

namespace pyxa {

// A scanned batch of three laboratory reports: two pages, then one, then one.
std::vector<PageDrawing> LabBatchPages(const PaperCast& cast, const QDate& today);
// A referral letter from an outside family physician to the cardiologist, as received by fax.
std::vector<PageDrawing> ReferralFaxPages(const PaperCast& cast, const QDateTime& received);
// A hospital discharge summary of three pages.
std::vector<PageDrawing> DischargeSummaryPages(const PaperCast& cast, const QDate& today);
// A fax cover sheet and an abdominal ultrasound report.
std::vector<PageDrawing> ImagingFaxPages(const PaperCast& cast, const QDateTime& received);
// A consult note of two pages, sent by e-mail as a PDF.
std::vector<PageDrawing> ConsultNotePages(const PaperCast& cast, const QDate& today);
// A phone photograph of a 12-lead ECG printout lying on a desk, in colour.
QImage EcgPhoto(const PaperCast& cast, const QDateTime& taken);

}  // namespace pyxa
