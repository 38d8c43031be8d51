#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;

// "Add Site": a group (the group menu's captions in their order, the first chosen) and a
// site name. As "Move Site" it asks for the group alone.
class TfrmSiteGroup : public QDialog
{
    Q_OBJECT

public:
    enum class Mode { Add, Move };

    TfrmSiteGroup(Mode mode, const QStringList& groups, QWidget* parent = nullptr);

    QComboBox* txtSiteGroup = nullptr;
    QLineEdit* txtSiteName = nullptr;
    QLabel* lblSiteName = nullptr;

    QString Group() const;
    QString SiteName() const;

    // For "Add Site": the check "&OK" applies to the trimmed name (put back into the field);
    // the reason to refuse it, empty text refusing silently. Without one any name passes.
    std::function<std::optional<QString>(const QString& name)> NameProblem;

    // "&OK": in Add mode the dialog stays open while the name is refused (the reason shown).
    void btnOKClick();

private:
    Mode m_mode;
};
