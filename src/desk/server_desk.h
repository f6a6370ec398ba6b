// The desk's "Server" choice: reports read a property on a PostgreSQL server
// instead of the data folder. Kept in the desk's own preferences (QSettings,
// keys "server/url" and "server/proprieta"), never in the suite's files; the
// password belongs in the password file (PGPASSFILE or ~/.pgpass), so an
// address that carries one is refused.
#pragma once

#include <string>

class QSettings;
class QWidget;

namespace corvex::desk {

// The server the desk's runs read from: CORVEX_DB and CORVEX_PROPERTY when
// set, else the remembered choice, else none (the data folder).
void ApplicaServer(QSettings& impostazioni);

// Checks a choice before it is kept: "" when it may be kept (both empty: the
// data folder), else the reason (UTF-8, Italian).
std::string ControllaServer(const std::string& url, const std::string& proprieta);

// The choice window; keeps what is confirmed in the desk's preferences (or
// in `impostazioni`) and applies it.
void ScegliServer(QWidget* parent);
void ScegliServer(QWidget* parent, QSettings& impostazioni);

}  // namespace corvex::desk
