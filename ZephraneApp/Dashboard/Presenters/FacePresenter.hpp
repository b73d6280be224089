// What every presenter of the dashboard shares: the views' face it reads,
// given from QML as `face: Face` (or by a test), and a refresh whenever
// anything it shows may have changed.
#pragma once

#include <utility>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <vector>

#include "ZephraneApp/Face/EngineFace.hpp"

namespace zephrane::dashboard {

class FacePresenter : public QObject {
    Q_OBJECT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)

public:
    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);

signals:
    void faceChanged();

protected:
    explicit FacePresenter(QObject* parent) : QObject(parent) {}

    // Connects the face's signals that concern this presenter (each to
    // refresh()); called whenever the face is set.
    virtual void follow(face::EngineFace& face) = 0;
    // Recomputes what is shown; with no face, shows nothing.
    virtual void refresh() = 0;

    // For follow(): refresh() on `signal` of `sender`, until the face changes.
    template <class Sender, class Signal>
    void refreshOn(const Sender* sender, Signal signal) {
        keep(connect(sender, signal, this, &FacePresenter::refresh));
    }
    // For follow(): a connection of its own, undone when the face changes.
    void keep(QMetaObject::Connection connection) { connections_.push_back(std::move(connection)); }

private:
    QPointer<face::EngineFace> face_;
    std::vector<QMetaObject::Connection> connections_;
};

}  // namespace zephrane::dashboard
