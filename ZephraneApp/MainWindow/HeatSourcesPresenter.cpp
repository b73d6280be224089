#include "ZephraneApp/MainWindow/HeatSourcesPresenter.hpp"

#include <algorithm>
#include <cmath>

#include <QQmlEngine>
#include <QVariantMap>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::mainwindow {

using face::qtText;

HeatSourceRowModel::HeatSourceRowModel(QObject* parent)
    : RowListModel({"name", "percentText", "fraction", "pid", "accessibleLabel", "quitLabel", "canQuit"}, parent) {}

QVariant HeatSourceRowModel::data(const QModelIndex& index, int role) const {
    if (!holds(index)) return {};
    const HeatSource& source = rowAt(index);
    switch (role) {
        case NameRole: return qtText(source.name);
        case PercentTextRole: return qtText(heatSharePercentText(source.cpuShare));
        case FractionRole: return heatShareFraction(source.cpuShare);
        case PidRole: return static_cast<int>(source.pid);
        case AccessibleLabelRole: return qtText(heatSourceRowLabel(source.name, source.cpuShare));
        case QuitLabelRole: return qtText(quitApplicationLabel(source.name));
        case CanQuitRole: return quittable_.contains(source.name);
        default: return {};
    }
}

void HeatSourceRowModel::update(std::span<const HeatSource> sources) {
    apply(
        sources, [](const HeatSource& s) -> const std::string& { return s.name; },
        [](const HeatSource& row) -> const std::string& { return row.name; },
        [this](HeatSource& row, const HeatSource& s) {
            face::RoleMask changed = 0;
            if (row.cpuShare != s.cpuShare && !(std::isnan(row.cpuShare) && std::isnan(s.cpuShare))) {
                row.cpuShare = s.cpuShare;
                changed |= face::roleBit(PercentTextRole) | face::roleBit(FractionRole) |
                           face::roleBit(AccessibleLabelRole);
            }
            row.cpuSeconds = s.cpuSeconds;
            if (row.pid != s.pid) {
                // What was found under the old pid says nothing of the new one.
                row.pid = s.pid;
                changed |= face::roleBit(PidRole);
                if (quittable_.erase(row.name) != 0) changed |= face::roleBit(CanQuitRole);
            }
            return changed;
        },
        [this](const HeatSource& s) {
            quittable_.erase(s.name);
            return s;
        });
}

void HeatSourceRowModel::setCanQuit(int row, std::int32_t pid, const std::string& name, bool canQuit) {
    if (row < 0 || row >= count()) return;
    const HeatSource& held = rows()[static_cast<std::size_t>(row)];
    if (held.pid != pid || held.name != name || quittable_.contains(name) == canQuit) return;
    if (canQuit) quittable_.insert(name);
    else quittable_.erase(name);
    notifyChanged(row, row, face::roleBit(CanQuitRole));
}

HeatSourcesPresenter::HeatSourcesPresenter(QObject* parent) : QObject(parent), rows_(this) {
    connect(&rows_, &face::FaceListModel::countChanged, this, [this] {
        if (isEmpty() == wasEmpty_) return;
        wasEmpty_ = isEmpty();
        emit isEmptyChanged();
    });
}

HeatSourcesPresenter::~HeatSourcesPresenter() { *alive_ = false; }

void HeatSourcesPresenter::componentComplete() {
    if (!applications_) setApplications(RunningApplications::of(qmlEngine(this)));
}

void HeatSourcesPresenter::setFace(face::EngineFace* face) {
    if (face == face_) return;
    if (face_) {
        disconnect(&face_->alerts().heatSources(), nullptr, this, nullptr);
        disconnect(&face_->alerts().dailyHeatSources(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        for (face::HeatSourceModel* model : {&face_->alerts().heatSources(), &face_->alerts().dailyHeatSources()}) {
            connect(model, &QAbstractItemModel::dataChanged, this, &HeatSourcesPresenter::refresh);
            connect(model, &QAbstractItemModel::rowsInserted, this, &HeatSourcesPresenter::refresh);
            connect(model, &QAbstractItemModel::rowsRemoved, this, &HeatSourcesPresenter::refresh);
            connect(model, &QAbstractItemModel::rowsMoved, this, &HeatSourcesPresenter::refresh);
            connect(model, &QAbstractItemModel::modelReset, this, &HeatSourcesPresenter::refresh);
        }
    }
    emit faceChanged();
    refresh();
}

void HeatSourcesPresenter::setApplications(RunningApplications* applications) {
    if (applications == applications_) return;
    applications_ = applications;
    emit applicationsChanged();
}

void HeatSourcesPresenter::setMode(int mode) {
    const auto period = heatSourceModeAt(mode);
    if (!period || *period == mode_) return;
    mode_ = *period;
    emit modeChanged();
    refresh();
}

QVariantList HeatSourcesPresenter::segments() const {
    QVariantList segments;
    for (const HeatSourceMode mode : {HeatSourceMode::live, HeatSourceMode::today})
        segments << QVariantMap{{"id", static_cast<int>(mode)}, {"title", qtText(heatSourceModeLabel(mode))}};
    return segments;
}

QString HeatSourcesPresenter::emptyTitle() const { return qtText(heatSourcesEmptyText(mode_).title); }

QString HeatSourcesPresenter::emptyDescription() const { return qtText(heatSourcesEmptyText(mode_).description); }

void HeatSourcesPresenter::refresh() {
    if (!face_) {
        rows_.update({});
        return;
    }
    const auto& ranking = mode_ == HeatSourceMode::today ? face_->alerts().dailyHeatSources().rows()
                                                          : face_->alerts().heatSources().rows();
    const std::size_t shown = std::min(ranking.size(), kVisibleHeatSources);
    rows_.update(std::span<const HeatSource>(ranking.data(), shown));
}

const HeatSource* HeatSourcesPresenter::rowAt(int row) const {
    if (row < 0 || row >= rows_.count()) return nullptr;
    return &rows_.rows()[static_cast<std::size_t>(row)];
}

void HeatSourcesPresenter::inspect(int row) {
    if (const HeatSource* held = rowAt(row)) lookUp(row, held->pid, held->name, false);
}

void HeatSourcesPresenter::requestMenu(int row) {
    if (const HeatSource* held = rowAt(row)) lookUp(row, held->pid, held->name, true);
}

QCoro::Task<void> HeatSourcesPresenter::lookUp(int row, std::int32_t pid, std::string name, bool forMenu) {
    // No live process behind the row: nothing to look up or quit.
    if (pid < 1 || !applications_) {
        rows_.setCanQuit(row, pid, name, false);
        co_return;
    }
    const std::shared_ptr<bool> alive = alive_;
    std::optional<workspace::ApplicationProcess> application;
    try {
        application = co_await applications_->application(pid);
    } catch (const std::exception&) {
        // Not known: no quit is offered.
    }
    if (!*alive) co_return;
    const bool canQuit = application && application->activationPolicy == workspace::ActivationPolicy::regular;
    rows_.setCanQuit(row, pid, name, canQuit);
    if (forMenu && canQuit) {
        const HeatSource* held = rowAt(row);
        if (held != nullptr && held->pid == pid && held->name == name) emit menuReady(row);
    }
}

void HeatSourcesPresenter::quit(int row) {
    const HeatSource* held = rowAt(row);
    if (held == nullptr || held->pid < 1 || !applications_) return;
    askToQuit(held->pid, held->name);
}

QCoro::Task<void> HeatSourcesPresenter::askToQuit(std::int32_t pid, std::string name) {
    // Whatever comes of it is not reported: an application that is gone, or
    // another one under the number, is simply left alone.
    try {
        co_await applications_->quit(pid, std::move(name));
    } catch (const std::exception&) {
    }
}

}  // namespace zephrane::mainwindow
