#include "PaperCast.h"

#include <vector>

#include "components/DemoClinic.h"
#include "platform/Sql.h"

namespace pyxa {
namespace {

constexpr char kPatientColumns[] = "SELECT last_name, first_name, dob, hcn, chart FROM patients";

PaperPatient ReadPatient(const SqlStatement& row) {
  PaperPatient p;
  p.lastName = row.Text(QStringLiteral("last_name"));
  p.firstName = row.Text(QStringLiteral("first_name"));
  p.birthDate = QDate::fromString(row.Text(QStringLiteral("dob")), Qt::ISODate);
  p.healthCard = row.Text(QStringLiteral("hcn"));
  p.chart = row.Text(QStringLiteral("chart"));
  return p;
}

class CastReader {
 public:
  explicit CastReader(SqlConnection& connection) : c_(connection) {
    // Stand-ins for rows a changed clinic may lack: its own first patient and physician.
    auto patient = c_.Prepare(QString::fromLatin1(kPatientColumns) + QStringLiteral(" ORDER BY id LIMIT 1"));
    if (!patient.Step()) throw SqlError(0, QStringLiteral("the clinic has no patients"));
    anyPatient_ = ReadPatient(patient);
    auto physician = c_.Prepare(QStringLiteral("SELECT last_name, first_name, specialty FROM physicians ORDER BY id"));
    if (!physician.Step()) throw SqlError(0, QStringLiteral("the clinic has no physicians"));
    anyPhysician_ = {physician.Text(QStringLiteral("last_name")), physician.Text(QStringLiteral("first_name")),
                     physician.Text(QStringLiteral("specialty"))};
  }

  PaperPatient Patient(qint64 id) {
    auto row = c_.Prepare(QString::fromLatin1(kPatientColumns) + QStringLiteral(" WHERE id = ?"));
    row.Bind(1, id);
    return row.Step() ? ReadPatient(row) : anyPatient_;
  }

  // Further patients of the register, past the fixed ones and the shared common surnames, born
  // 1940 to 1964, with a health card, in a fixed order: the same clinic gives the same paper.
  std::vector<PaperPatient> MorePatients(int count) {
    auto row = c_.Prepare(QString::fromLatin1(kPatientColumns) +
                          QStringLiteral(" WHERE id > ? AND dob BETWEEN '1940-01-01' AND '1964-12-31'"
                                         " AND hcn IS NOT NULL ORDER BY id LIMIT ?"));
    row.Bind(1, kDemoFirstPatientId + 50).Bind(2, count);
    std::vector<PaperPatient> found;
    while (row.Step()) found.push_back(ReadPatient(row));
    while (static_cast<int>(found.size()) < count) found.push_back(anyPatient_);
    return found;
  }

  PaperPhysician Physician(qint64 id) {
    auto row = c_.Prepare(QStringLiteral("SELECT last_name, first_name, specialty FROM physicians WHERE id = ?"));
    row.Bind(1, id);
    if (!row.Step()) return anyPhysician_;
    return {row.Text(QStringLiteral("last_name")), row.Text(QStringLiteral("first_name")),
            row.Text(QStringLiteral("specialty"))};
  }

  QString Laboratory(qint64 id, const QString& otherwise) {
    auto row = c_.Prepare(QStringLiteral("SELECT name FROM laboratories WHERE id = ?"));
    row.Bind(1, id);
    return row.Step() ? row.Text(QStringLiteral("name")) : otherwise;
  }

 private:
  SqlConnection& c_;
  PaperPatient anyPatient_;
  PaperPhysician anyPhysician_;
};

}  // namespace

bool LoadPaperCast(const QString& clinicPath, PaperCast& cast, QString& error) {
  try {
    SqlConnection connection(clinicPath, SqlConnection::Mode::ReadOnly);
    CastReader reader(connection);
    cast.labPatient = reader.Patient(kDemoFirstPatientId);  // O'Brien, Siobhan
    cast.prenatalPatient = reader.Patient(kDemoFirstPatientId + 1);
    cast.referralPatient = reader.Patient(kDemoFirstPatientId + 2);
    cast.lipidPatient = reader.Patient(kDemoFirstPatientId + 3);    // Nguyen, Minh (1990)
    cast.consultPatient = reader.Patient(kDemoFirstPatientId + 4);  // Nguyen, Minh (1975)
    const auto more = reader.MorePatients(3);
    cast.dischargePatient = more[0];
    cast.ultrasoundPatient = more[1];
    cast.ecgPatient = more[2];
    cast.familyPhysician = reader.Physician(kDemoFirstPhysicianId);
    cast.internist = reader.Physician(kDemoFirstPhysicianId + 1);
    cast.secondFamilyPhysician = reader.Physician(kDemoFirstPhysicianId + 3);
    cast.cardiologist = reader.Physician(kDemoFirstPhysicianId + 4);
    cast.obstetrician = reader.Physician(kDemoFirstPhysicianId + 5);
    cast.laboratory = reader.Laboratory(1, QStringLiteral("Northway Medical Laboratories"));
    cast.imagingCentre = reader.Laboratory(2, QStringLiteral("Lakeshore Diagnostics"));
    return true;
  } catch (const SqlError& e) {
    error = QStringLiteral("Cannot read the demo clinic \"%1\": %2").arg(clinicPath, e.Message());
    return false;
  }
}

}  // namespace pyxa
