#include "dialogs/propertiesdialog.h"

#include "engine/listparser.h"
#include "session/viewtext.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstring>

namespace {

// The characters each position of a Unix mode word may hold.
constexpr const char* ModeAlphabet[10] = {"-dlbcpsD", "-r", "-w", "-xsS", "-r", "-w", "-xsS", "-r", "-w", "-xtT"};

QString sizeTextOf(const QString& serverSize)
{
    bool whole = false;
    const qint64 bytes = serverSize.toLongLong(&whole);
    if (whole && bytes >= 0)
        return SizeText(bytes) + QStringLiteral(" bytes");
    return serverSize.isEmpty() ? QStringLiteral("(Unknown)") : serverSize + QStringLiteral(" bytes");
}

}  // namespace

std::optional<PermissionBits> UnixModeBits(const QString& word)
{
    if (word.size() != 10)
        return std::nullopt;
    for (int i = 0; i < 10; ++i) {
        const QChar c = word.at(i);
        if (c.unicode() > 127 || !std::strchr(ModeAlphabet[i], char(c.unicode())))
            return std::nullopt;
    }
    PermissionBits bits;
    for (int i = 0; i < 9; ++i) {
        const char c = char(word.at(i + 1).unicode());
        bits.boxes[size_t(i)] = c != '-' && c != 'S' && c != 'T';
    }
    const auto special = [&](int position, int bit) {
        const char c = char(word.at(position).unicode());
        if (c == 's' || c == 'S' || c == 't' || c == 'T')
            bits.special |= bit;
    };
    special(3, 4);
    special(6, 2);
    special(9, 1);
    return bits;
}

QString PermissionValue(const PermissionBits& bits)
{
    int digits[3] = {0, 0, 0};
    for (int i = 0; i < 9; ++i) {
        if (bits.boxes[size_t(i)])
            digits[i / 3] += 4 >> (i % 3);
    }
    const int plain = digits[0] * 100 + digits[1] * 10 + digits[2];
    if (bits.special == 0)
        return QString::number(plain);
    return QString::number(bits.special) + QStringLiteral("%1").arg(plain, 3, 10, QLatin1Char('0'));
}

TfrmProperties::TfrmProperties(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    build();
}

QGroupBox* TfrmProperties::permissionGroup(const QString& title, int first)
{
    auto* group = new QGroupBox(title, this);
    auto* layout = new QVBoxLayout(group);
    const QString captions[3] = {QStringLiteral("Read"), QStringLiteral("Write"), QStringLiteral("Execute")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new QCheckBox(captions[i], group);
        box->setObjectName(title + captions[i]);
        chkPermission[size_t(first + i)] = box;
        layout->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &TfrmProperties::updateValue);
    }
    return group;
}

void TfrmProperties::build()
{
    auto* outer = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    auto* general = new QWidget(tabs);
    tabs->addTab(general, QStringLiteral("General"));
    auto* page = new QVBoxLayout(general);
    auto* form = new QFormLayout;
    const auto value = [this](const char* name) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    lblName = value("lblName");
    lblType = value("lblType");
    lblSize = value("lblSize");
    lblDate = value("lblDate");
    lblOwner = value("lblOwner");
    lblGroupCaption = value("lblGroupCaption");
    m_remoteCaptions = {new QLabel(QStringLiteral("Owner:"), this), new QLabel(QStringLiteral("Group:"), this)};
    form->addRow(QStringLiteral("Name:"), lblName);
    form->addRow(m_remoteCaptions[0], lblOwner);
    form->addRow(m_remoteCaptions[1], lblGroupCaption);
    form->addRow(QStringLiteral("Type:"), lblType);
    form->addRow(QStringLiteral("Size:"), lblSize);
    form->addRow(QStringLiteral("Date:"), lblDate);
    page->addLayout(form);

    lblPermission = new QLabel(QStringLiteral("Not all servers support permission changes"), this);
    page->addWidget(lblPermission);
    auto* groups = new QHBoxLayout;
    grpOwner = permissionGroup(QStringLiteral("Owner"), 0);
    grpGroup = permissionGroup(QStringLiteral("Group"), 3);
    grpWorld = permissionGroup(QStringLiteral("World"), 6);
    pnlPriv = new QLabel(this);
    pnlPriv->setObjectName(QStringLiteral("pnlPriv"));
    pnlPriv->setFrameShape(QFrame::Panel);
    pnlPriv->setFrameShadow(QFrame::Sunken);
    pnlPriv->setAlignment(Qt::AlignCenter);
    pnlPriv->setMinimumWidth(48);
    for (QWidget* part : {static_cast<QWidget*>(grpOwner), static_cast<QWidget*>(grpGroup),
                          static_cast<QWidget*>(grpWorld), static_cast<QWidget*>(pnlPriv)})
        groups->addWidget(part);
    page->addLayout(groups);

    grpWin = new QGroupBox(QStringLiteral("Attributes"), this);
    auto* attributes = new QVBoxLayout(grpWin);
    for (auto [box, caption] : {std::pair{&chkReadOnly, "Read-Only"}, std::pair{&chkHidden, "Hidden"},
                                std::pair{&chkSystem, "System"}, std::pair{&chkArchive, "Archive"}}) {
        *box = new QCheckBox(QString::fromLatin1(caption), grpWin);
        attributes->addWidget(*box);
    }
    grpWin->setEnabled(false);  // shown, never changed here
    page->addWidget(grpWin);
    page->addStretch(1);
    outer->addWidget(tabs);

    auto* buttons = new QDialogButtonBox(this);
    btnOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    btnOK->setDefault(true);
    Button1 = buttons->addButton(QStringLiteral("Ca&ncel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    outer->addWidget(buttons);
    setRemoteRowsVisible(false);
}

void TfrmProperties::setRemoteRowsVisible(bool visible)
{
    for (QWidget* part : {static_cast<QWidget*>(m_remoteCaptions[0]), static_cast<QWidget*>(m_remoteCaptions[1]),
                          static_cast<QWidget*>(lblOwner), static_cast<QWidget*>(lblGroupCaption),
                          static_cast<QWidget*>(lblPermission), static_cast<QWidget*>(grpOwner),
                          static_cast<QWidget*>(grpGroup), static_cast<QWidget*>(grpWorld),
                          static_cast<QWidget*>(pnlPriv)})
        part->setVisible(visible);
    grpWin->setVisible(!visible);
}

bool TfrmProperties::FillRemote(const QStringList& rawLines, TFTPServerType serverType, const QString& caption)
{
    m_remote = true;
    setRemoteRowsVisible(true);
    TListParser parser;
    parser.Reset();
    for (const QString& line : rawLines) {
        ListEntry parsed;
        if (!parser.ParseListLine(serverType, line, parsed) || parsed.Name != caption)
            continue;
        lblName->setText(parsed.Name);
        lblDate->setText(parsed.Date);
        lblOwner->setText(parsed.Owner);
        lblGroupCaption->setText(parsed.Group);
        lblSize->setText(sizeTextOf(parsed.Size));
        const char kind = EntryKind(parsed);
        lblType->setText(kind == 'l'   ? QStringLiteral("Remote Symbolic Link")
                         : kind == 'd' ? QStringLiteral("Remote Directory")
                                       : QStringLiteral("Remote File"));
        const std::optional<PermissionBits> bits = UnixModeBits(line.section(QLatin1Char(' '), 0, 0));
        showBits(bits.value_or(PermissionBits{}), bits.has_value());
        return true;
    }
    return false;
}

void TfrmProperties::FillLocal(const FileEntry& entry, const QString& sizeColumn, const QString& dateColumn,
                               const QString& path)
{
    m_remote = false;
    m_editable = false;
    setRemoteRowsVisible(false);
    lblName->setText(entry.name);
    lblType->setText(entry.isFolder() ? QStringLiteral("Local Directory")
                     : entry.isFile() ? QStringLiteral("Local File")
                                      : QString());
    lblSize->setText(sizeColumn.isEmpty() ? QStringLiteral("(Unknown)") : sizeColumn + QStringLiteral(" bytes"));
    lblDate->setText(dateColumn);
    const QFileInfo file(path);
    chkReadOnly->setChecked(file.exists() && !(file.permissions() & QFileDevice::WriteOwner));
    chkHidden->setChecked(entry.name.startsWith(QLatin1Char('.')));
    chkSystem->setChecked(false);
    chkArchive->setChecked(false);
}

void TfrmProperties::showBits(const PermissionBits& bits, bool editable)
{
    m_editable = editable;
    m_special = bits.special;
    for (size_t i = 0; i < chkPermission.size(); ++i) {
        chkPermission[i]->setChecked(bits.boxes[i]);
        chkPermission[i]->setEnabled(editable);
    }
    updateValue();
    m_initial = Value();
}

QString TfrmProperties::Value() const
{
    if (!m_editable)
        return {};
    PermissionBits bits;
    bits.special = m_special;
    for (size_t i = 0; i < chkPermission.size(); ++i)
        bits.boxes[i] = chkPermission[i]->isChecked();
    return PermissionValue(bits);
}

void TfrmProperties::updateValue()
{
    pnlPriv->setText(Value());
}

std::optional<QString> TfrmProperties::ChangedValue() const
{
    if (!m_remote || !m_editable || Value() == m_initial)
        return std::nullopt;
    return Value();
}
