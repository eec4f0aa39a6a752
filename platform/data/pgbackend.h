#pragma once
// The PostgreSQL backend (libpq). See backend.h for what a backend does.
#include "platform/data/backend.h"

#include <functional>
#include <map>

typedef struct pg_conn PGconn;

namespace kadrolin::data {

// The server could not be reached, or the connection went away. The message
// is Turkish with the server's own text after it; the next command connects again.
class EServerUnreachable : public EDatabaseError {
  public:
    using EDatabaseError::EDatabaseError;
};

// The collation and the version column the server's schema uses.
extern const char *const kServerCollation;
extern const char *const kVersionColumn;

// A statement of the file's dialect in the server's. Exposed for tests.
std::string ServerStatement(const std::string &sql);

class TPgResult;

// One connection; made again by the next command after it was lost.
class TPgConnection {
  public:
    explicit TPgConnection(std::string address);
    ~TPgConnection();
    TPgConnection(const TPgConnection &) = delete;
    TPgConnection &operator=(const TPgConnection &) = delete;

    const std::string &Address() const { return FAddress; }
    bool Connected() const;
    void EnsureConnected();
    std::unique_ptr<TPgResult> Run(const std::string &sql, const std::vector<TValue> &params = {},
                                   bool binary = false);
    void Exec(const std::string &sql);
    std::optional<std::string> Scalar(const std::string &sql, const std::vector<TValue> &params = {});
    // Channels notified since the last call (LISTEN first).
    std::vector<std::string> Notifications();
    int Socket() const;
    PGconn *Handle() const { return FConn; }
    // Called after a lost connection was made again (LISTEN again, say).
    std::function<void()> OnReconnect;

  private:
    void Connect();
    std::string FAddress;
    PGconn *FConn = nullptr;
};

class TPgBackend : public TBackend {
  public:
    TPgBackend(const std::string &address, const std::string &schema);
    const std::string &Address() const override;
    bool IsServer() const override { return true; }
    bool ReadOnly(const std::string &table) override;
    std::vector<TColumnInfo> Describe(const std::string &sql) override;
    std::vector<long long> Keys(const std::string &sql, const std::vector<TValue> &params,
                                const std::string &keyName) override;
    std::unique_ptr<TTableAccess> Table(const std::string &table, const std::string &keyColumn,
                                        const std::vector<TColumnInfo> &columns) override;
    bool TakeChanged(const std::string &table) override;
    TPgConnection &Connection() { return *FConn; }

  private:
    std::vector<std::string> FListening;
    bool FMissed = false;
    void EnsureSchema(const std::string &schema);
    std::shared_ptr<TPgConnection> FConn;
    std::map<std::pair<unsigned, int>, std::pair<std::string, std::string>> FOrigins;
};

} // namespace kadrolin::data
