#include "components/DemoClinic.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Sql.h"

namespace pyxa {
namespace {

// splitmix64 with a fixed seed: the same numbers on every machine and library version.
class DemoRandom {
 public:
  quint64 Next() {
    quint64 z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<quint64>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Percent(int p) { return Below(100) < p; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items.at(static_cast<size_t>(Below(static_cast<int>(items.size()))));
  }

 private:
  quint64 state_ = 0x5059584144455348ULL;
};

struct Culture {
  std::vector<const char*> surnames;
  std::vector<const char*> givenNames;
};

const std::vector<Culture>& Cultures() {
  static const std::vector<Culture> cultures = {
      {{"Smith", "Johnson", "Brown", "Taylor", "Wilson", "Campbell", "Anderson", "MacDonald", "Thompson", "Walker"},
       {"James", "Emily", "Olivia", "William", "Sarah", "Michael", "Jennifer", "David", "Hannah", "Robert"}},
      {{"O'Brien", "O'Connor", "Murphy", "Kelly", "Byrne", "Fitzgerald", "MacLeod"},
       {"Siobhan", "Liam", "Aoife", "Ciarán", "Niamh", "Declan", "Róisín"}},
      {{"Tremblay", "Gagné", "Côté", "Bélanger", "Lévesque", "Bouchard", "Gauthier", "St-Pierre"},
       {"Émilie", "François", "Geneviève", "Jérôme", "Mélanie", "André", "Hélène", "Stéphane"}},
      {{"Müller", "Schäfer", "Becker", "Fischer", "Köhler", "Weiß"},
       {"Jürgen", "Anja", "Lukas", "Günther", "Katrin", "Jörg"}},
      {{"Nguyen", "Tran", "Le", "Pham", "Hoang"}, {"Minh", "Linh", "Thanh", "Huong", "Quang", "Mai"}},
      {{"Wang", "Li", "Chen", "Zhang", "Liu", "Wong"}, {"Wei", "Mei", "Jian", "Xiaoling", "Hao", "Yan"}},
      {{"Patel", "Singh", "Sharma", "Gupta", "Khan", "Reddy"},
       {"Priya", "Arjun", "Anjali", "Rahul", "Sunita", "Harpreet"}},
      {{"Okafor", "Adeyemi", "Mensah", "Eze", "Boateng"}, {"Chinedu", "Ngozi", "Kwame", "Ama", "Oluwaseun", "Efua"}},
      {{"Haddad", "Khalil", "Mansour", "Saleh", "El-Amin"}, {"Omar", "Layla", "Samir", "Yasmin", "Karim", "Nour"}},
      {{"García", "Rodríguez", "Núñez", "Hernández", "López", "Peña"},
       {"José", "María", "Sofía", "Alejandro", "Lucía", "Andrés"}},
      {{"Kowalski", "Wiśniewski", "Nowak", "Kovalenko", "Zieliński"},
       {"Katarzyna", "Piotr", "Agnieszka", "Tomasz", "Olena", "Bohdan"}},
      {{"Sørensen", "Lindqvist", "Johansson", "Virtanen", "Håkansson"},
       {"Åsa", "Lars", "Ingrid", "Mikael", "Sigrid", "Björn"}},
      {{"Kim", "Park", "Sato", "Tanaka", "Yamamoto"}, {"Ji-woo", "Min-jun", "Seo-yeon", "Haruto", "Yui", "Kenji"}},
      {{"Papadopoulos", "Rossi", "D'Amico", "De Luca", "Esposito"},
       {"Giulia", "Marco", "Eleni", "Giorgos", "Francesca", "Luca"}},
  };
  return cultures;
}

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

struct Patient {
  QString last;
  QString first;
  QString dob;  // ISO date or empty
  QString hcn;
  QString area;
  QString phone1;
  QString phone2;
};

class DemoBuilder {
 public:
  DemoBuilder(SqlConnection& connection, const Clock& clock, const DemoClinicOptions& options)
      : c_(connection), today_(clock.Now().date()), options_(options) {}

  void Build() {
    Accounts();
    ReferenceLists();
    Physicians();
    Patients();
    Encounters();
  }

 private:
  void Insert(const QString& sql, const QVariantList& values) {
    auto statement = c_.Prepare(sql);
    for (int i = 0; i < values.size(); ++i) statement.Bind(i + 1, values.at(i));
    statement.Run();
  }

  QByteArray Salt() {
    QByteArray salt;
    for (int i = 0; i < 16; ++i) salt.append(static_cast<char>(random_.Below(256)));
    return salt;
  }

  void Accounts() {
    const auto account = [](qint64 id, const char* login, const char* first, const char* last, qint64 office,
                            bool upload, bool review, const char* country) {
      ClinicAccount a;
      a.userId = id;
      a.login = Text(login);
      a.password = Text(login);
      a.firstName = Text(first);
      a.lastName = Text(last);
      a.officeId = office;
      a.enterpriseId = kDemoEnterpriseId;
      a.canUploadRpts = upload;
      a.canReviewRpts = review;
      a.country = Text(country);
      return a;
    };
    const ClinicAccount accounts[] = {
        account(kDemoUserId, "demo", "Dana", "Morgan", kDemoOfficeId, true, true, "1"),
        account(kDemoClerkUserId, "clerk", "Chris", "Lavoie", kDemoOfficeId, false, true, "1"),
        account(kDemoResidentUserId, "resident", "Priya", "Raman", kDemoOfficeId, true, false, "1"),
        account(kDemoQuebecUserId, "quebec", "Geneviève", "Bouchard", kDemoQuebecOfficeId, true, true, "2"),
    };
    for (const auto& a : accounts) AddClinicAccount(c_, a, Salt(), options_.hashIterations);
  }

  void ReferenceLists() {
    const char* categories[] = {"Lab Report", "DI Report", "ER Report", "Correspondence", "Clinical Notes"};
    for (int i = 0; i < 5; ++i) Insert(QStringLiteral("INSERT INTO categories VALUES (?,?)"), {i, Text(categories[i])});
    const char* labs[] = {"Northway Medical Laboratories", "Lakeshore Diagnostics", "St. Brigid's Hospital Laboratory",
                          "Cedar Valley Labs"};
    for (int i = 0; i < 4; ++i) Insert(QStringLiteral("INSERT INTO laboratories VALUES (?,?)"), {i + 1, Text(labs[i])});
    const char* labTypes[] = {"Hematology", "Biochemistry", "Microbiology", "Urinalysis", "Pathology", "Lipid Panel"};
    for (int i = 0; i < 6; ++i) {
      Insert(QStringLiteral("INSERT INTO lab_report_types VALUES (?,?)"), {i + 1, Text(labTypes[i])});
    }
    const char* diTypes[] = {"X-Ray", "Ultrasound", "CT Scan", "MRI", "Mammography", "Bone Densitometry", "ECG"};
    int id = 1;
    for (const qint64 office : {kDemoOfficeId, kDemoQuebecOfficeId}) {
      for (int i = 0; i < 7; ++i) {
        if (office == kDemoQuebecOfficeId && i == 6) break;  // offices differ a little
        Insert(QStringLiteral("INSERT INTO di_types VALUES (?,?,?)"), {id++, office, Text(diTypes[i])});
      }
    }
  }

  void Physicians() {
    struct Doctor {
      const char* last;
      const char* first;
      const char* specialty;
    };
    const Doctor doctors[] = {{"Okafor", "Adaeze", "Family Medicine"},    {"Lindqvist", "Erik", "Internal Medicine"},
                              {"Tremblay", "Marie-Claude", "Pediatrics"}, {"Chen", "Wei", "Family Medicine"},
                              {"Haddad", "Samir", "Cardiology"},          {"Núñez", "Isabel", "Obstetrics"}};
    const std::vector<const char*> correspondence = {"Consultation Letter", "Referral", "Discharge Summary",
                                                     "Insurance Form", "Patient Letter"};
    const std::vector<const char*> visits = {"Office Visit",       "Follow-up",      "Annual Physical",
                                             "Phone Consultation", "Prenatal Visit", "Well Baby"};
    int correspondenceId = 1;
    int visitId = 1;
    for (int i = 0; i < 6; ++i) {
      const qint64 id = kDemoFirstPhysicianId + i;
      physicianIds_.push_back(id);
      Insert(QStringLiteral("INSERT INTO physicians VALUES (?,?,?,?,?)"),
             {id, QStringLiteral("Dr."), Text(doctors[i].specialty), Text(doctors[i].last), Text(doctors[i].first)});
      if (id != kDemoPhysicianWithoutCorrespondence) {
        const int count = random_.Between(3, 5);
        for (int k = 0; k < count; ++k) {
          Insert(QStringLiteral("INSERT INTO correspondence_types VALUES (?,?,?)"),
                 {correspondenceId++, id, Text(correspondence.at(static_cast<size_t>(k)))});
        }
      }
      std::vector<qint64> own;
      const int count = random_.Between(4, 6);
      for (int k = 0; k < count; ++k) {
        own.push_back(visitId);
        Insert(QStringLiteral("INSERT INTO visit_types VALUES (?,?,?)"),
               {visitId++, id, Text(visits.at(static_cast<size_t>(k)))});
      }
      visitTypes_.push_back(own);
    }
  }

  QString Digits(int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += QChar(u'0' + (i == 0 ? random_.Between(1, 9) : random_.Below(10)));
    return text;
  }

  // An Ontario health number: ten digits whose last is the Luhn check digit of the nine before, as
  // the province numbers them, so that the demo's cards pass the check a page's reader applies.
  QString HealthNumber() {
    QString number = Digits(10);
    int sum = 0;
    for (int i = 0; i < 9; ++i) {
      int d = number.at(8 - i).digitValue();
      if (i % 2 == 0) d = d * 2 > 9 ? d * 2 - 9 : d * 2;
      sum += d;
    }
    number[9] = QChar(u'0' + (10 - sum % 10) % 10);
    return number;
  }

  QString BirthDate() {
    const int year = random_.Between(1930, 2023);
    const int month = random_.Between(1, 12);
    const int day = random_.Between(1, QDate(year, month, 1).daysInMonth());
    return QDate(year, month, day).toString(Qt::ISODate);
  }

  Patient Random(const QString& last) {
    static const std::vector<const char*> areas = {"416", "647", "905", "613", "514", "438", "604", "403", "780"};
    Patient p;
    p.last = last;
    const auto& cultures = Cultures();
    // Given names usually follow the surname's culture, sometimes not, as in any city.
    const Culture* culture = &random_.Pick(cultures);
    for (const auto& candidate : cultures) {
      for (const char* surname : candidate.surnames) {
        if (Text(surname) == last) culture = &candidate;
      }
    }
    if (random_.Percent(15)) culture = &random_.Pick(cultures);
    p.first = Text(random_.Pick(culture->givenNames));
    p.dob = random_.Percent(2) ? QString() : BirthDate();
    p.hcn = random_.Percent(3) ? QString() : HealthNumber();
    if (!random_.Percent(4)) {
      if (!random_.Percent(12)) p.area = Text(random_.Pick(areas));
      p.phone1 = QString::number(random_.Between(200, 999));
      p.phone2 = QStringLiteral("%1").arg(random_.Below(10000), 4, 10, QLatin1Char('0'));
    }
    return p;
  }

  void AddPatient(Patient p) {
    while (!p.hcn.isEmpty() && usedHcn_.contains(p.hcn)) p.hcn = HealthNumber();
    if (!p.hcn.isEmpty()) usedHcn_.insert(p.hcn);
    chart_ += random_.Between(1, 7);
    const auto orNull = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
    const qint64 id = kDemoFirstPatientId + static_cast<qint64>(patientIds_.size());
    Insert(QStringLiteral("INSERT INTO patients (id, last_name, first_name, last_key, first_key, dob, hcn, chart,"
                          " phone_area, phone1, phone2) VALUES (?,?,?,?,?,?,?,?,?,?,?)"),
           {id, p.last, p.first, ClinicNameKey(p.last), ClinicNameKey(p.first), orNull(p.dob), orNull(p.hcn),
            QString::number(chart_), orNull(p.area), orNull(p.phone1), orNull(p.phone2)});
    patientIds_.push_back(id);
  }

  void Patients() {
    // A few fixed patients that demonstrations and tests can rely on; their cards pass the check too.
    AddPatient({Text("O'Brien"), Text("Siobhan"), QStringLiteral("1957-03-14"), QStringLiteral("4532019876"),
                QStringLiteral("416"), QStringLiteral("555"), QStringLiteral("0143")});
    AddPatient({Text("Gagné"),
                Text("Émilie"),
                QStringLiteral("1984-11-02"),
                QStringLiteral("2718281823"),
                {},
                QStringLiteral("555"),
                QStringLiteral("0199")});
    AddPatient({Text("Müller"), Text("Jürgen"), QStringLiteral("1962-07-29"), QStringLiteral("3141592653"),
                QStringLiteral("905"), QStringLiteral("555"), QStringLiteral("0177")});
    AddPatient({Text("Nguyen"), Text("Minh"), QStringLiteral("1990-01-15"), QStringLiteral("1618033987"),
                QStringLiteral("647"), QStringLiteral("555"), QStringLiteral("0110")});
    AddPatient({Text("Nguyen"), Text("Minh"), QStringLiteral("1975-06-30"), QStringLiteral("1414213569"),
                QStringLiteral("647"), QStringLiteral("555"), QStringLiteral("0111")});
    AddPatient({Text("Smith"), Text("John"), {}, {}, {}, {}, {}});
    // Common surnames are shared by many patients, as in a real register.
    const std::pair<const char*, int> common[] = {{"Nguyen", 11},  {"Smith", 8}, {"Patel", 8},
                                                  {"Tremblay", 7}, {"Kim", 5},   {"Singh", 5}};
    for (const auto& [surname, count] : common) {
      for (int i = 0; i < count; ++i) AddPatient(Random(Text(surname)));
    }
    while (static_cast<int>(patientIds_.size()) < kDemoPatientCount) {
      AddPatient(Random(Text(random_.Pick(random_.Pick(Cultures()).surnames))));
    }
  }

  void Encounter(qint64 patient, qint64 physician, int daysAgo, bool isSigned) {
    static const std::vector<std::pair<const char*, const char*>> diagnoses = {
        {"I10", "Essential (primary) hypertension"},
        {"E11.9", "Type 2 diabetes mellitus without complications"},
        {"J06.9", "Acute upper respiratory infection, unspecified"},
        {"M54.5", "Low back pain"},
        {"F41.1", "Generalized anxiety disorder"},
        {"Z00.00", "General adult medical examination"},
        {"J45.909", "Unspecified asthma, uncomplicated"}};
    static const std::vector<const char*> comments = {"", "Review lab results", "Follow up in 2 weeks",
                                                      "Medication renewal", "Patient's own request"};
    const auto& diagnosis = random_.Pick(diagnoses);
    const auto& types = visitTypes_.at(static_cast<size_t>(physician - kDemoFirstPhysicianId));
    const QVariant visitType = random_.Percent(20) ? QVariant() : QVariant(random_.Pick(types));
    const QString comment = Text(random_.Pick(comments));
    Insert(QStringLiteral("INSERT INTO encounters (patient_id, physician_id, encounter_date, icd, icd_description,"
                          " comments, visit_type, signed) VALUES (?,?,?,?,?,?,?,?)"),
           {patient, physician, today_.addDays(-daysAgo).toString(Qt::ISODate), Text(diagnosis.first),
            Text(diagnosis.second), comment.isEmpty() ? QVariant() : QVariant(comment), visitType, isSigned});
  }

  void Encounters() {
    // The first patient has two unsigned encounters and one signed one with the first physician.
    Encounter(kDemoFirstPatientId, kDemoFirstPhysicianId, 3, false);
    Encounter(kDemoFirstPatientId, kDemoFirstPhysicianId, 17, false);
    Encounter(kDemoFirstPatientId, kDemoFirstPhysicianId, 40, true);
    for (size_t i = 6; i < patientIds_.size(); ++i) {
      if (!random_.Percent(15)) continue;
      const int count = random_.Between(1, 3);
      for (int k = 0; k < count; ++k) {
        // One draw per statement: argument evaluation order is not fixed by the language.
        const qint64 physician = random_.Pick(physicianIds_);
        const int daysAgo = random_.Below(90);
        const bool isSigned = random_.Percent(30);
        Encounter(patientIds_[i], physician, daysAgo, isSigned);
      }
    }
  }

  SqlConnection& c_;
  QDate today_;
  DemoClinicOptions options_;
  DemoRandom random_;
  std::vector<qint64> physicianIds_;
  std::vector<std::vector<qint64>> visitTypes_;
  std::vector<qint64> patientIds_;
  QSet<QString> usedHcn_;
  int chart_ = 100000;
};

void RemoveTemporary(const QString& path) {
  QFile::remove(path);
  QFile::remove(path + QStringLiteral("-journal"));
}

bool Fail(QString& error, const QString& text) {
  error = text;
  return false;
}

void SyncFolder(const QString& folder) {
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool CreateDemoClinic(const QString& path, const Clock& clock, QString& error, const DemoClinicOptions& options) {
  const QFileInfo target(path);
  if (target.exists()) return true;  // the user's clinic, with whatever was done in it, stays as it is
  const QString folder = target.absolutePath();
  if (!QFileInfo(folder).isDir()) {
    if (!QDir().mkpath(folder)) return Fail(error, QStringLiteral("Cannot create the folder \"%1\".").arg(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  QString temporary;
  {
    QTemporaryFile file(folder + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    file.setAutoRemove(false);
    if (!file.open()) {
      return Fail(error, QStringLiteral("Cannot create the clinic file in \"%1\": %2").arg(folder, file.errorString()));
    }
    temporary = file.fileName();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  }

  try {
    SqlConnection connection(temporary);
    SqlTransaction transaction(connection);
    CreateClinicSchema(connection);
    DemoBuilder(connection, clock, options).Build();
    transaction.Commit();
  } catch (const SqlError& sqlError) {
    RemoveTemporary(temporary);
    return Fail(error, QStringLiteral("Cannot write the demo clinic \"%1\": %2").arg(path, sqlError.Message()));
  }

  // Put into place without replacing: a file that appeared meanwhile wins and is kept.
  const QByteArray from = QFile::encodeName(temporary);
  const QByteArray to = QFile::encodeName(target.absoluteFilePath());
  if (::link(from.constData(), to.constData()) != 0) {
    const int linkError = errno;
    if (linkError == EEXIST) {
      RemoveTemporary(temporary);
      return true;
    }
    // File systems without hard links: a plain rename, the target having been absent a moment ago.
    if (QFileInfo::exists(path) || ::rename(from.constData(), to.constData()) != 0) {
      const QString reason = QString::fromLocal8Bit(std::strerror(errno));
      RemoveTemporary(temporary);
      if (QFileInfo::exists(path)) return true;
      return Fail(error, QStringLiteral("Cannot put the demo clinic in place at \"%1\": %2").arg(path, reason));
    }
  } else {
    ::unlink(from.constData());
  }
  SyncFolder(folder);
  return true;
}

}  // namespace pyxa
