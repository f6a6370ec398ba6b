#include "support/pg_cluster.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "data/pg/pg_connection.h"

namespace corvex::test {

namespace fs = std::filesystem;

namespace {

std::string unavailableReason;

// Runs a program and waits for it; its output goes to `log`. The exit status,
// or -1 when it could not be started.
int run(const std::vector<std::string>& args, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd >= 0) {
            ::dup2(fd, 1);
            ::dup2(fd, 2);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) ::dup2(null, 0);
        // The server's user may not enter the test's working folder.
        if (::chdir("/") != 0) ::_exit(126);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string serverBindir() {
    for (const char* dir : {"/usr/lib/postgresql/15/bin", "/usr/lib/postgresql/16/bin",
                            "/usr/lib/postgresql/17/bin"}) {
        if (fs::exists(fs::path(dir) / "initdb")) return dir;
    }
    // pg_config (libpq-dev) knows where this system's server lives.
    if (FILE* p = ::popen("pg_config --bindir 2>/dev/null", "r")) {
        char buf[512] = {};
        std::string out = std::fgets(buf, sizeof buf, p) != nullptr ? buf : "";
        ::pclose(p);
        while (!out.empty() && out.back() == '\n') out.pop_back();
        if (!out.empty() && fs::exists(fs::path(out) / "initdb")) return out;
    }
    return "";
}

std::string tail(const std::string& file) {
    std::ifstream in(file);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    return s.size() > 600 ? s.substr(s.size() - 600) : s;
}

// The servers that test binaries killed before their end left running: each
// folder names the binary that made it (file "owner"); one whose binary is
// gone has its server stopped and is removed.
void stopLeftovers(const std::string& bindir) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/tmp", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("corvex-pg-", 0) != 0) continue;
        std::ifstream in(entry.path() / "owner");
        pid_t owner = 0;
        if (!(in >> owner) || owner <= 0 || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
        if (fs::exists(entry.path() / "data" / "postmaster.pid")) {
            std::vector<std::string> args = {bindir + "/pg_ctl",
                                             "-D",
                                             (entry.path() / "data").string(),
                                             "-m",
                                             "immediate",
                                             "-w",
                                             "stop"};
            if (::geteuid() == 0) args.insert(args.begin(), {"runuser", "-u", "postgres", "--"});
            run(args, "/dev/null");
        }
        fs::remove_all(entry.path(), ec);
    }
}

}  // namespace

PgCluster* PgCluster::shared() {
    static std::unique_ptr<PgCluster> cluster = [] {
        std::unique_ptr<PgCluster> c(new PgCluster);
        if (!c->start(unavailableReason)) c.reset();
        return c;
    }();
    return cluster.get();
}

const std::string& PgCluster::unavailable() {
    return unavailableReason;
}

bool PgCluster::start(std::string& why) {
    bindir_ = serverBindir();
    if (bindir_.empty()) {
        why = "PostgreSQL server binaries not found (scripts/setup.sh installs them)";
        return false;
    }
    std::string tmpl = "/tmp/corvex-pg-XXXXXX";  // short: a socket path has ~100 bytes
    if (::mkdtemp(tmpl.data()) == nullptr) {
        why = "cannot create a temporary folder for the server";
        return false;
    }
    dir_ = tmpl;
    std::ofstream(dir_ + "/owner") << ::getpid() << '\n';
    stopLeftovers(bindir_);
    std::vector<std::string> as;
    if (::geteuid() == 0) {
        const passwd* pw = ::getpwnam("postgres");
        if (pw == nullptr) {
            why = "running as root and no `postgres` user to run the server";
            return false;
        }
        if (::chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
            why = "cannot hand the server's folder to the `postgres` user";
            return false;
        }
        as = {"runuser", "-u", "postgres", "--"};
        asServerUser_ = true;
    }
    const std::string data = dir_ + "/data";
    const std::string log = dir_ + "/log";
    auto cmd = [&](std::vector<std::string> args) {
        args.insert(args.begin(), as.begin(), as.end());
        return run(args, log);
    };
    if (cmd({bindir_ + "/initdb", "-D", data, "-U", "postgres", "-A", "trust", "-E", "UTF8",
             "--locale=C", "--no-sync"}) != 0) {
        why = "initdb failed: " + tail(log);
        return false;
    }
    const std::string options = "-c listen_addresses='' -k " + dir_ +
                                " -c fsync=off -c synchronous_commit=off -c full_page_writes=off"
                                " -c max_connections=40";
    if (cmd({bindir_ + "/pg_ctl", "-D", data, "-l", dir_ + "/server.log", "-o", options, "-w", "-t",
             "60", "start"}) != 0) {
        why = "the server did not start: " + tail(dir_ + "/server.log");
        return false;
    }
    running_ = true;
    try {
        pg::Connection c(url("postgres"));
        c.exec("CREATE DATABASE corvex");
    } catch (const std::exception& e) {
        why = std::string("the server does not answer: ") + e.what();
        return false;
    }
    return true;
}

PgCluster::~PgCluster() {
    if (running_) {
        std::vector<std::string> args = {bindir_ + "/pg_ctl", "-D", dir_ + "/data", "-m",
                                         "immediate",         "-w", "stop"};
        if (asServerUser_) args.insert(args.begin(), {"runuser", "-u", "postgres", "--"});
        run(args, "/dev/null");
    }
    if (!dir_.empty()) {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
}

std::string PgCluster::url(const std::string& database) const {
    return "postgresql:///" + database + "?host=" + dir_ + "&user=postgres";
}

std::string PgCluster::createDatabase(const std::string& name) {
    pg::Connection c(url("postgres"));
    c.exec("DROP DATABASE IF EXISTS " + pg::quoteIdent(name) + " WITH (FORCE)");
    c.exec("CREATE DATABASE " + pg::quoteIdent(name));
    return url(name);
}

}  // namespace corvex::test
