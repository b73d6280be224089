#include "ZephraneApp/Shell/DialogSavePanel.hpp"

#include <memory>

#include <QFileDialog>
#include <QPointer>
#include <qcoro/qcorosignal.h>

namespace zephrane {

QCoro::Task<std::optional<QString>> DialogSavePanel::chooseSavePath(SavePanelRequest request) {
    QPointer<QFileDialog> dialog = new QFileDialog(nullptr, request.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(request.nameFilters);
    // Without it a name typed with no suffix is saved as it stands.
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    dialog->selectFile(request.suggestedName);
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QFileDialog::finished);
    if (dialog == nullptr || result != QDialog::Accepted) co_return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty()) co_return std::nullopt;
    co_return chosen.first();
}

}  // namespace zephrane
