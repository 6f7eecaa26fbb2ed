#include "link/usb/fdcanCommands.h"

namespace {
constexpr quint8 kNotSent = 14;

class NoAdapter final : public FdcanCommands
{
public:
    QStringList deviceNames() override { return {}; }
    void rebuildPairing() override {}
    QString portOfDevice(const QString &) override { return {}; }
    QString deviceOfPort(const QString &) override { return {}; }
    bool open(const QString &) override { return false; }
    void close() override {}
    bool connected() const override { return false; }
    quint8 setupBaud(const customBaudconfiguration &) override { return kNotSent; }
    QByteArray getBaudRate() override { return {}; }
    quint8 testAck(QByteArray *payload) override
    {
        if (payload)
            payload->clear();
        return kNotSent;
    }
    quint8 iapPack(quint32, const QByteArray &) override { return kNotSent; }
    quint8 iapEnd() override { return kNotSent; }
};
} // namespace

FdcanCommands *FdcanCommands::none()
{
    static NoAdapter instance;
    return &instance;
}
