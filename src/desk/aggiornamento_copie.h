// The desk keeps the cached copies of the data folder's suite files up to
// date in the background: when it opens, and a few seconds after a suite
// file changed while it is open. A discreet line at the right of the menu
// bar says which file is being read ("Aggiornamento copie: Fatture.mdb…"),
// and goes blank when all are ready. The work itself is the core's
// (data/engine/copy_refresh.h); a report started meanwhile waits for the copy
// it needs.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>

class QFileSystemWatcher;
class QMainWindow;

namespace corvex::db {
class CopyRefresh;
}

namespace corvex::desk {

class AggiornamentoCopie : public QObject {
    Q_OBJECT
  public:
    // Starts at once on the folder's files; a child of desk. The copies of
    // changed files are made once no file changed for `quieteMs`.
    AggiornamentoCopie(QMainWindow* desk, const QString& cartella, int quieteMs = 3000);
    ~AggiornamentoCopie() override;

    QLabel* riga() const { return riga_; }
    // Waits until no copy is being made (for tests).
    void attendi();

  private:
    void osserva();
    void mostra(const QString& file);

    QString cartella_;
    QPointer<QLabel> riga_;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer attesa_;
    // A file is named only when its copy takes a while: checking the
    // unchanged ones after every report must not flicker.
    QTimer nomina_;
    QString inCorso_;
    std::unique_ptr<db::CopyRefresh> refresh_;
};

}  // namespace corvex::desk
