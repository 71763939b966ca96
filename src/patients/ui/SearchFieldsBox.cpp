#include "patients/ui/SearchFieldsBox.h"

#include "platform/ui/AutoAdvance.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace pyxa {

namespace {

// Keeps only ASCII digits of whatever reaches the field, so a typed letter is ignored and a
// pasted text cannot smuggle one in.
class DigitsOnlyValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    QString digits;
    digits.reserve(input.size());
    int newPos = pos;
    for (int i = 0; i < input.size(); ++i) {
      const QChar c = input.at(i);
      if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        digits.append(c);
      } else if (i < pos) {
        --newPos;
      }
    }
    input = digits;
    pos = newPos;
    return Acceptable;
  }
};

int CharsWide(const QWidget* widget, int chars) {
  return QFontMetrics(widget->font()).horizontalAdvance(QString(chars, QLatin1Char('0'))) + 14;
}

}  // namespace

SearchFieldsBox::SearchFieldsBox(bool advancePhone, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("SearchFieldsBox"));

  txtLastName_ = AddField(QStringLiteral("txtLastName"), 0, false);
  txtFirstName_ = AddField(QStringLiteral("txtFirstName"), 0, false);
  txtChart_ = AddField(QStringLiteral("txtChart"), 0, false);
  txtHCN_ = AddField(QStringLiteral("txtHCN"), 0, false);
  txtDOB1_ = AddField(QStringLiteral("txtDOB1"), 2, true);
  txtDOB2_ = AddField(QStringLiteral("txtDOB2"), 2, true);
  txtDOB3_ = AddField(QStringLiteral("txtDOB3"), 4, true);
  txtAreaCode_ = AddField(QStringLiteral("txtAreaCode"), 3, true);
  txtPhone1_ = AddField(QStringLiteral("txtPhone1"), 3, true);
  txtPhone2_ = AddField(QStringLiteral("txtPhone2"), 4, true);

  txtDOB1_->setFixedWidth(CharsWide(this, 2));
  txtDOB2_->setFixedWidth(CharsWide(this, 2));
  txtDOB3_->setFixedWidth(CharsWide(this, 4));
  txtAreaCode_->setFixedWidth(CharsWide(this, 3));
  txtPhone1_->setFixedWidth(CharsWide(this, 3));
  txtPhone2_->setFixedWidth(CharsWide(this, 4));

  auto* lblLastName = new QLabel(QStringLiteral("Last Name:"), this);
  auto* lblFirstName = new QLabel(QStringLiteral("First Name:"), this);
  auto* lblChart = new QLabel(QStringLiteral("Chart #:"), this);
  Label4_ = new QLabel(QStringLiteral("HCN:"), this);
  Label4_->setObjectName(QStringLiteral("Label4"));
  auto* lblDob = new QLabel(QStringLiteral("DOB:"), this);
  lblDobHint_ = new QLabel(QStringLiteral("dd/mm/yyyy"), this);
  lblDobHint_->setObjectName(QStringLiteral("lblDOBFormat"));
  lblDobHint_->setEnabled(false);  // a hint, drawn greyed
  auto* lblPhone = new QLabel(QStringLiteral("Phone #:"), this);
  lblLastName->setBuddy(txtLastName_);
  lblFirstName->setBuddy(txtFirstName_);
  lblChart->setBuddy(txtChart_);
  Label4_->setBuddy(txtHCN_);
  lblDob->setBuddy(txtDOB1_);
  lblPhone->setBuddy(txtAreaCode_);

  auto* dob = new QHBoxLayout;
  dob->setSpacing(3);
  dob->addWidget(txtDOB1_);
  dob->addWidget(txtDOB2_);
  dob->addWidget(txtDOB3_);
  dob->addSpacing(4);
  dob->addWidget(lblDobHint_);
  dob->addStretch();

  auto* phone = new QHBoxLayout;
  phone->setSpacing(3);
  phone->addWidget(txtAreaCode_);
  phone->addWidget(txtPhone1_);
  phone->addWidget(txtPhone2_);
  phone->addStretch();

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setVerticalSpacing(4);
  grid->addWidget(lblLastName, 0, 0);
  grid->addWidget(txtLastName_, 0, 1);
  grid->addWidget(lblFirstName, 1, 0);
  grid->addWidget(txtFirstName_, 1, 1);
  grid->addWidget(lblChart, 2, 0);
  grid->addWidget(txtChart_, 2, 1);
  grid->addWidget(Label4_, 3, 0);
  grid->addWidget(txtHCN_, 3, 1);
  grid->addWidget(lblDob, 4, 0);
  grid->addLayout(dob, 4, 1);
  grid->addWidget(lblPhone, 5, 0);
  grid->addLayout(phone, 5, 1);
  grid->setColumnStretch(1, 1);

  // The visual order, top to bottom and left to right.
  const QList<QLineEdit*> order = {txtLastName_, txtFirstName_, txtChart_,    txtHCN_,    txtDOB1_,
                                   txtDOB2_,     txtDOB3_,      txtAreaCode_, txtPhone1_, txtPhone2_};
  for (int i = 1; i < order.size(); ++i) setTabOrder(order.at(i - 1), order.at(i));

  AdvanceAfter(txtDOB1_, 2, txtDOB2_);
  AdvanceAfter(txtDOB2_, 2, txtDOB3_);
  if (advancePhone) {
    AdvanceAfter(txtAreaCode_, 3, txtPhone1_);
    AdvanceAfter(txtPhone1_, 3, txtPhone2_);
  }

  for (QLineEdit* field : order) connect(field, &QLineEdit::returnPressed, this, &SearchFieldsBox::searchRequested);
  // The date of birth is not among the fields whose change drops the chosen patient.
  for (QLineEdit* field : {txtLastName_, txtFirstName_, txtChart_, txtHCN_, txtAreaCode_, txtPhone1_, txtPhone2_}) {
    connect(field, &QLineEdit::textChanged, this, &SearchFieldsBox::criteriaChanged);
  }
}

QLineEdit* SearchFieldsBox::AddField(const QString& objectName, int maxLength, bool digitsOnly) {
  auto* field = new QLineEdit(this);
  field->setObjectName(objectName);
  if (maxLength > 0) field->setMaxLength(maxLength);
  if (digitsOnly) field->setValidator(new DigitsOnlyValidator(field));
  return field;
}

SearchCriteria SearchFieldsBox::Criteria() const {
  SearchCriteria criteria;
  criteria.lastName = txtLastName_->text();
  criteria.firstName = txtFirstName_->text();
  criteria.chart = txtChart_->text();
  criteria.hcn = txtHCN_->text();
  criteria.dob1 = txtDOB1_->text();
  criteria.dob2 = txtDOB2_->text();
  criteria.dob3 = txtDOB3_->text();
  criteria.areaCode = txtAreaCode_->text();
  criteria.phone1 = txtPhone1_->text();
  criteria.phone2 = txtPhone2_->text();
  return criteria;
}

void SearchFieldsBox::SetCriteria(const SearchCriteria& criteria) {
  txtLastName_->setText(criteria.lastName);
  txtFirstName_->setText(criteria.firstName);
  txtChart_->setText(criteria.chart);
  txtHCN_->setText(criteria.hcn);
  txtDOB1_->setText(criteria.dob1);
  txtDOB2_->setText(criteria.dob2);
  txtDOB3_->setText(criteria.dob3);
  txtAreaCode_->setText(criteria.areaCode);
  txtPhone1_->setText(criteria.phone1);
  txtPhone2_->setText(criteria.phone2);
}

void SearchFieldsBox::Clear() { SetCriteria(SearchCriteria{}); }

void SearchFieldsBox::SetCountry2(bool country2) {
  country2_ = country2;
  Label4_->setVisible(!country2);
  txtHCN_->setVisible(!country2);
  lblDobHint_->setText(country2 ? QStringLiteral("mm/dd/yyyy") : QStringLiteral("dd/mm/yyyy"));
}

QLineEdit* SearchFieldsBox::Field(const QString& objectName) const {
  for (QLineEdit* field : {txtLastName_, txtFirstName_, txtChart_, txtHCN_, txtDOB1_, txtDOB2_, txtDOB3_, txtAreaCode_,
                           txtPhone1_, txtPhone2_}) {
    if (field->objectName() == objectName) return field;
  }
  return nullptr;
}

}  // namespace pyxa
