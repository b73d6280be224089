// The heat sources card: the first five of the engine's live or daily
// ranking, each row with its share in words and as a bar, and the polite
// quit of the application behind a row. Whether a row's application may be
// quit is looked up anew each time the pointer comes to the row (or its
// menu is asked for); nothing of it is kept between two visits.
#pragma once

#include <memory>
#include <set>
#include <span>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantList>
#include <QtQml/qqmlparserstatus.h>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/RowListModel.hpp"
#include "ZephraneApp/MainWindow/HeatSourceRules.hpp"
#include "ZephraneApp/MainWindow/RunningApplications.hpp"
#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"

namespace zephrane::mainwindow {

class HeatSourceRowModel : public face::RowListModel<HeatSource, std::string> {
    Q_OBJECT
    QML_ANONYMOUS

public:
    enum Role { NameRole = firstRole, PercentTextRole, FractionRole, PidRole, AccessibleLabelRole, QuitLabelRole,
                CanQuitRole };
    Q_ENUM(Role)

    explicit HeatSourceRowModel(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

    void update(std::span<const HeatSource> sources);
    // Row `row` if it still stands for `pid` and `name`.
    void setCanQuit(int row, std::int32_t pid, const std::string& name, bool canQuit);
    bool canQuit(const std::string& name) const { return quittable_.contains(name); }

private:
    // The rows whose last look-up found a regular application under their pid.
    std::set<std::string> quittable_;
};

class HeatSourcesPresenter : public QObject, public QQmlParserStatus {
    Q_OBJECT
    QML_ELEMENT
    Q_INTERFACES(QQmlParserStatus)
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    Q_PROPERTY(zephrane::mainwindow::RunningApplications* applications READ applications WRITE setApplications NOTIFY
                   applicationsChanged)
    // MainViewPresenter's period: 0 live, 1 today.
    Q_PROPERTY(int mode READ modeValue WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(zephrane::mainwindow::HeatSourceRowModel* rows READ rowsModel CONSTANT)
    Q_PROPERTY(bool isEmpty READ isEmpty NOTIFY isEmptyChanged)
    // [{id, title}] of the period picker.
    Q_PROPERTY(QVariantList segments READ segments CONSTANT)
    Q_PROPERTY(QString emptyTitle READ emptyTitle NOTIFY modeChanged)
    Q_PROPERTY(QString emptyDescription READ emptyDescription NOTIFY modeChanged)

public:
    explicit HeatSourcesPresenter(QObject* parent = nullptr);
    ~HeatSourcesPresenter() override;

    void classBegin() override {}
    void componentComplete() override;

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);
    RunningApplications* applications() const { return applications_; }
    void setApplications(RunningApplications* applications);
    int modeValue() const { return static_cast<int>(mode_); }
    void setMode(int mode);
    HeatSourceRowModel& rows() { return rows_; }
    bool isEmpty() const { return rows_.count() == 0; }
    QVariantList segments() const;
    QString emptyTitle() const;
    QString emptyDescription() const;

    // The pointer came to row `row`: is its application one to quit?
    Q_INVOKABLE void inspect(int row);
    // The row's menu was asked for: menuReady follows when it has an item.
    Q_INVOKABLE void requestMenu(int row);
    // "Quit" on row `row`: asks the application to quit if it is still the
    // one the row names.
    Q_INVOKABLE void quit(int row);

signals:
    void faceChanged();
    void applicationsChanged();
    void modeChanged();
    void isEmptyChanged();
    void menuReady(int row);

private:
    HeatSourceRowModel* rowsModel() { return &rows_; }
    void refresh();
    const HeatSource* rowAt(int row) const;
    QCoro::Task<void> lookUp(int row, std::int32_t pid, std::string name, bool forMenu);
    QCoro::Task<void> askToQuit(std::int32_t pid, std::string name);

    QPointer<face::EngineFace> face_;
    QPointer<RunningApplications> applications_;
    HeatSourceMode mode_ = HeatSourceMode::live;
    HeatSourceRowModel rows_;
    bool wasEmpty_ = true;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zephrane::mainwindow
