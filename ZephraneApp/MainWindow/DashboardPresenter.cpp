#include "ZephraneApp/MainWindow/DashboardPresenter.hpp"

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/MainWindow/DashboardCards.hpp"

namespace zephrane::mainwindow {

using face::qtText;

DashboardSensorModel::DashboardSensorModel(QObject* parent) : RowListModel({"readingId", "isExpanded"}, parent) {}

QVariant DashboardSensorModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const std::string& id = rowAt(index);
    switch (role) {
        case ReadingIdRole: return qtText(id);
        case IsExpandedRole: return expanded_ == id;
        default: return {};
    }
}

void DashboardSensorModel::update(const std::vector<std::string>& ids) {
    apply(
        ids, [](const std::string& id) -> const std::string& { return id; },
        [](const std::string& row) -> const std::string& { return row; },
        [](std::string&, const std::string&) { return face::RoleMask{0}; }, [](const std::string& id) { return id; });
}

void DashboardSensorModel::setExpanded(const std::optional<std::string>& id) {
    if (id == expanded_) return;
    const std::optional<std::string> was = std::exchange(expanded_, id);
    for (int i = 0; i < count(); ++i) {
        const std::string& row = rows()[static_cast<std::size_t>(i)];
        if (row == was || row == expanded_) notifyChanged(i, i, face::roleBit(IsExpandedRole));
    }
}

DashboardPresenter::DashboardPresenter(QObject* parent) : QObject(parent), sensors_(this) {
    connect(&sensors_, &face::FaceListModel::countChanged, this, [this] {
        if (hasSensors() == hadSensors_) return;
        hadSensors_ = hasSensors();
        emit hasSensorsChanged();
    });
    auto& theme = design::ThemeTokens::shared();
    connect(&theme, &design::ThemeTokens::appearanceChanged, this, &DashboardPresenter::daemonChanged);
    connect(&theme, &design::ThemeTokens::accentChanged, this, &DashboardPresenter::daemonChanged);
}

void DashboardPresenter::setFace(face::EngineFace* face) {
    if (face == face_) return;
    if (face_) {
        disconnect(&face_->daemon(), nullptr, this, nullptr);
        disconnect(&face_->sensors().deviceSensors(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        connect(&face_->daemon(), &face::DaemonFace::helperStateChanged, this, &DashboardPresenter::daemonChanged);
        connect(&face_->daemon(), &face::DaemonFace::helperInstallIssueChanged, this,
                &DashboardPresenter::daemonChanged);
        auto* readings = &face_->sensors().deviceSensors();
        connect(readings, &QAbstractItemModel::rowsInserted, this, &DashboardPresenter::refreshSensors);
        connect(readings, &QAbstractItemModel::rowsRemoved, this, &DashboardPresenter::refreshSensors);
        connect(readings, &QAbstractItemModel::rowsMoved, this, &DashboardPresenter::refreshSensors);
        connect(readings, &QAbstractItemModel::modelReset, this, &DashboardPresenter::refreshSensors);
    }
    emit faceChanged();
    emit daemonChanged();
    refreshSensors();
}

bool DashboardPresenter::daemonNoticeShown() const {
    return face_ && mainwindow::daemonNoticeShown(face_->daemon().helperState().kind(),
                                                  face_->daemon().hasHelperInstallIssue());
}

QString DashboardPresenter::daemonTitle() const {
    if (!face_) return {};
    return qtText(daemonCardText(face_->daemon().helperState(), face_->daemon().state().helperInstallIssue).title);
}

QString DashboardPresenter::daemonSubtitle() const {
    if (!face_) return {};
    return qtText(daemonCardText(face_->daemon().helperState(), face_->daemon().state().helperInstallIssue).subtitle);
}

QColor DashboardPresenter::daemonTint() const {
    const auto& theme = design::ThemeTokens::shared();
    const HelperState::Kind state = face_ ? face_->daemon().helperState().kind() : HelperState::Kind::notRegistered;
    const bool issue = face_ && face_->daemon().hasHelperInstallIssue();
    return design::helperTintColor(daemonCardTint(state, issue), theme.appearance(), theme.accentColor());
}

QString DashboardPresenter::expandedSensorID() const { return expanded_ ? qtText(*expanded_) : QString(); }

void DashboardPresenter::setExpandedSensorID(const QString& id) {
    std::optional<std::string> next;
    if (!id.isEmpty()) next = id.toStdString();
    if (next == expanded_) return;
    expanded_ = std::move(next);
    sensors_.setExpanded(expanded_);
    emit expandedSensorIDChanged();
}

void DashboardPresenter::refreshSensors() {
    std::vector<std::string> available;
    if (face_)
        for (const face::DeviceSensorRow& row : face_->sensors().deviceSensors().rows()) available.push_back(row.reading.id);
    sensors_.update(dashboardSensorIds(available));
}

}  // namespace zephrane::mainwindow
