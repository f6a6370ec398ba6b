#include "desk/aggiornamento_copie.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

#include "data/engine/copy_refresh.h"

namespace corvex::desk {

// A suite file written moments ago may still be being written: its copy is
// made once the folder has been still for a while (by default three seconds:
// the cache keeps a copy of a changed file only two seconds after the change).
AggiornamentoCopie::AggiornamentoCopie(QMainWindow* desk, const QString& cartella, int quieteMs)
    : QObject(desk), cartella_(QDir(cartella).absolutePath()) {
    riga_ = new QLabel(desk->menuBar());
    riga_->setObjectName(QStringLiteral("aggiornamentoCopie"));
    riga_->setEnabled(false);  // drawn in the muted colour of the palette
    riga_->setContentsMargins(0, 0, 8, 0);
    desk->menuBar()->setCornerWidget(riga_, Qt::TopRightCorner);

    nomina_.setSingleShot(true);
    nomina_.setInterval(300);
    connect(&nomina_, &QTimer::timeout, this, [this] {
        if (riga_) riga_->setText(QStringLiteral("Aggiornamento copie: %1\u2026").arg(inCorso_));
    });
    attesa_.setSingleShot(true);
    attesa_.setInterval(quieteMs);
    connect(&attesa_, &QTimer::timeout, this, [this] {
        osserva();
        refresh_->refresh(QFile::encodeName(cartella_).toStdString());
    });
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, [this] { attesa_.start(); });
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { attesa_.start(); });

    // The worker's word reaches the window through its event loop: the
    // worker never waits for the window.
    refresh_ = std::make_unique<db::CopyRefresh>([this](const std::string& file) {
        const QString name = QFile::decodeName(QByteArray::fromStdString(file));
        QMetaObject::invokeMethod(
            this, [this, name] { mostra(name); }, Qt::QueuedConnection);
    });
    osserva();
    refresh_->refresh(QFile::encodeName(cartella_).toStdString());
}

AggiornamentoCopie::~AggiornamentoCopie() = default;

void AggiornamentoCopie::attendi() {
    refresh_->wait();
}

// The folder and each of its suite files: a file replaced by a new one
// leaves the watch, so the list is made again after every change.
void AggiornamentoCopie::osserva() {
    if (!watcher_->directories().contains(cartella_)) watcher_->addPath(cartella_);
    QStringList files;
    const QDir dir(cartella_);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.mdb"), QStringLiteral("*.MDB")}, QDir::Files)) {
        const QString path = dir.filePath(name);
        if (!watcher_->files().contains(path)) files << path;
    }
    if (!files.isEmpty()) watcher_->addPaths(files);
}

void AggiornamentoCopie::mostra(const QString& file) {
    inCorso_ = file;
    if (!file.isEmpty()) {
        if (!nomina_.isActive()) nomina_.start();
        return;
    }
    nomina_.stop();
    if (riga_) riga_->clear();
}

}  // namespace corvex::desk
