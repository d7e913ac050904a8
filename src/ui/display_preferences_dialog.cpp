#include "ui/display_preferences_dialog.h"

#include "values/output_formatter.h"

#include <QFontComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char *const kSample = "function fact(n)\n"
                            "{\n"
                            "  if (n <= 1)\n"
                            "    return 1;\n"
                            "  return n * fact(n - 1);\n"
                            "}\n"
                            "fact(10)\n";

constexpr int MINIMUM_FONT_SIZE = 6;
constexpr int MAXIMUM_FONT_SIZE = 72;
constexpr int DEFAULT_FONT_SIZE = 9;

} // namespace

DisplayPreferencesDialog::DisplayPreferencesDialog(const QFont &font, int precision, QWidget *parent)
    : QWidget(parent)
{
    _fontComboBox = new QFontComboBox(this);
    _fontComboBox->setObjectName(QStringLiteral("fontComboBox"));
    // Columns of numbers line up only in a fixed-width font; a stored font
    // of another kind is still offered so that OK alone does not replace it.
    _fontComboBox->setFontFilters(QFontComboBox::MonospacedFonts);
    if (_fontComboBox->findText(font.family()) < 0)
        _fontComboBox->setFontFilters(QFontComboBox::AllFonts);
    _fontComboBox->setCurrentFont(font);
    _fontSizeSpinBox = new QSpinBox(this);
    _fontSizeSpinBox->setObjectName(QStringLiteral("fontSizeSpinBox"));
    _fontSizeSpinBox->setRange(MINIMUM_FONT_SIZE, MAXIMUM_FONT_SIZE);
    _fontSizeSpinBox->setValue(font.pointSize() > 0 ? font.pointSize() : DEFAULT_FONT_SIZE);
    _fontSampleTextEdit = new QPlainTextEdit(QString::fromLatin1(kSample), this);
    _fontSampleTextEdit->setObjectName(QStringLiteral("fontSampleTextEdit"));
    _fontSampleTextEdit->setReadOnly(true);
    _fontSampleTextEdit->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *fontGroup = new QGroupBox(tr("Command Window &Font"), this);
    auto *fontRow = new QHBoxLayout;
    fontRow->addWidget(_fontComboBox, 1);
    fontRow->addWidget(_fontSizeSpinBox);
    auto *fontLayout = new QVBoxLayout(fontGroup);
    fontLayout->addLayout(fontRow);
    fontLayout->addWidget(new QLabel(tr("Example:"), fontGroup));
    fontLayout->addWidget(_fontSampleTextEdit, 1);

    _precSpinBox = new QSpinBox(this);
    _precSpinBox->setObjectName(QStringLiteral("precSpinBox"));
    _precSpinBox->setRange(OutputFormatter::MINIMUM_PRECISION, OutputFormatter::MAXIMUM_PRECISION);
    _precSpinBox->setValue(precision);
    auto *formatGroup = new QGroupBox(tr("F&ormat"), this);
    auto *formatLayout = new QFormLayout(formatGroup);
    formatLayout->addRow(tr("Significant digits:"), _precSpinBox);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(fontGroup, 1);
    layout->addWidget(formatGroup);

    connect(_fontComboBox, &QFontComboBox::currentFontChanged, this, &DisplayPreferencesDialog::fontChanged);
    connect(_fontSizeSpinBox, &QSpinBox::valueChanged, this, &DisplayPreferencesDialog::fontSizeChanged);
    _fontSampleTextEdit->setFont(chosenFont());
}

QFont DisplayPreferencesDialog::chosenFont() const
{
    QFont font = _fontComboBox->currentFont();
    font.setPointSize(_fontSizeSpinBox->value());
    return font;
}

int DisplayPreferencesDialog::precision() const
{
    return _precSpinBox->value();
}

void DisplayPreferencesDialog::fontChanged(const QFont &)
{
    _fontSampleTextEdit->setFont(chosenFont());
}

void DisplayPreferencesDialog::fontSizeChanged(int)
{
    _fontSampleTextEdit->setFont(chosenFont());
}
