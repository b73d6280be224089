#include "ZephraneApp/Dashboard/Presenters/FacePresenter.hpp"

namespace zephrane::dashboard {

void FacePresenter::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    for (const QMetaObject::Connection& connection : connections_) disconnect(connection);
    connections_.clear();
    face_ = face;
    if (face_ != nullptr) {
        // A face that goes leaves the presenter showing nothing.
        connections_.push_back(connect(face_, &QObject::destroyed, this, [this] {
            connections_.clear();
            face_ = nullptr;
            emit faceChanged();
            refresh();
        }));
        follow(*face_);
    }
    emit faceChanged();
    refresh();
}

}  // namespace zephrane::dashboard
