#include "SpamSettingsDialog.h"

#include "filter/SpamFilter.h"
#include "filter/SpamMarks.h"
#include "platform/Registry.h"
#include "widgets/QtText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QDoubleSpinBox>

#include <algorithm>
#include <cmath>

namespace {
const char kSpamKey[] = "Software\\quillbox\\SpamFilter";
const char kThreshold[] = "Threshold";
}  // namespace

double ReadSpamThreshold()
{
    const double fallback = TSpamBands().spamFrom;
    try {
        platform::TRegistry reg;
        if (!reg.OpenKey(kSpamKey, false) || !reg.ValueExists(kThreshold)) return fallback;
        // Hundredths of a point, an integer as every stored number is.
        return std::clamp(reg.ReadInteger(kThreshold) / 100.0, double(kMinSpamThreshold), double(kMaxSpamThreshold));
    } catch (const std::exception&) {
        return fallback;  // a damaged value: the default, as for a new user
    }
}

void WriteSpamThreshold(double threshold)
{
    platform::TRegistry reg;
    reg.OpenKey(kSpamKey, true);
    threshold = std::clamp(threshold, double(kMinSpamThreshold), double(kMaxSpamThreshold));
    reg.WriteInteger(kThreshold, int32_t(std::lround(threshold * 100)));
}

TFrm_SpamSettings::TFrm_SpamSettings(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Spam Filter Settings"));
    auto* layout = new QFormLayout(this);
    spn_threshold = new QDoubleSpinBox(this);
    spn_threshold->setDecimals(2);
    spn_threshold->setSingleStep(0.1);
    spn_threshold->setRange(kMinSpamThreshold, kMaxSpamThreshold);
    spn_threshold->setAccessibleName(QStringLiteral("Likely spam from a score of"));
    layout->addRow(QStringLiteral("&Likely spam from a score of:"), spn_threshold);
    lbl_learnt = new QLabel(this);
    lbl_learnt->setWordWrap(true);
    lbl_learnt->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addRow(lbl_learnt);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

void TFrm_SpamSettings::Load(double threshold, const TSpamFilter* filter, const std::string& databasePath)
{
    spn_threshold->setValue(threshold);
    QString learnt = filter ? QStringLiteral("Learnt so far: %1 spam and %2 wanted messages.\n")
                                  .arg(filter->SpamMessages())
                                  .arg(filter->HamMessages())
                            : QStringLiteral("The filter's database could not be opened.\n");
    if (filter && (filter->SpamMessages() == 0 || filter->HamMessages() == 0))
        learnt += QStringLiteral("Scores are given once it has learnt both kinds.\n");
    learnt += QStringLiteral("Database: %1").arg(ToQ(databasePath));
    lbl_learnt->setText(learnt);
}

double TFrm_SpamSettings::Threshold() const { return spn_threshold->value(); }
