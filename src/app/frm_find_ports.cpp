#include "app/frm_find_ports.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/error_trap.h"
#include "platform/port_bindings.h"
#include "platform/serial_devices.h"

namespace tarvik {

const QString FrmFindPorts::kTitle = QStringLiteral("Find Ports");

namespace {

constexpr int kPortCount = 255;
// "Bound To" comes right after the device so a long by-id name never pushes it out of sight.
enum ColumnIndex { kDevice, kBoundTo, kDescription, kManufacturer, kSerial, kUsbId, kColumns };
// The dialog grows to show every column whole, up to this share of the screen's width.
constexpr double kWidestShareOfScreen = 0.9;

QString usbId(const SerialDeviceInfo& d) {
    if (!d.vendorId && !d.productId) {
        return QString();
    }
    auto hex = [](const std::optional<quint16>& v) {
        return v ? QStringLiteral("%1").arg(*v, 4, 16, QLatin1Char('0')) : QStringLiteral("????");
    };
    return hex(d.vendorId) + u':' + hex(d.productId);
}

QString portList(const QList<int>& ports) {
    QStringList names;
    for (int n : ports) {
        names << QStringLiteral("Com") + QString::number(n);
    }
    return names.join(QStringLiteral(", "));
}

}  // namespace

FrmFindPorts::FrmFindPorts(FindPortsServices services, QWidget* parent)
    : QDialog(parent), services_(std::move(services)) {
    setObjectName(QStringLiteral("frmFindPorts"));
    setWindowTitle(kTitle);

    auto* intro = new QLabel(
        QStringLiteral("Serial devices on this computer. Choose the controller's adapter, "
                       "then bind it to a port number."));
    intro->setWordWrap(true);

    lstPorts_ = new QTableWidget(0, kColumns);
    lstPorts_->setObjectName(QStringLiteral("lstPorts"));
    lstPorts_->setHorizontalHeaderLabels(
        {QStringLiteral("Device"), QStringLiteral("Bound To"), QStringLiteral("Description"),
         QStringLiteral("Manufacturer"), QStringLiteral("Serial Number"),
         QStringLiteral("USB ID")});
    lstPorts_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstPorts_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPorts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstPorts_->verticalHeader()->hide();
    lstPorts_->horizontalHeader()->setStretchLastSection(true);
    // A by-id name differs from the next only at its end (serial number, interface): when the
    // column must be narrower than the name, its middle goes.
    lstPorts_->setTextElideMode(Qt::ElideMiddle);
    connect(lstPorts_, &QTableWidget::itemSelectionChanged, this, &FrmFindPorts::updateBindButton);

    auto* lblBindPort = new QLabel(QStringLiteral("Port"));
    cboBindPort_ = new QComboBox;
    cboBindPort_->setObjectName(QStringLiteral("cboBindPort"));
    cboBindPort_->setMaxVisibleItems(16);
    for (int n = 1; n <= kPortCount; ++n) {
        cboBindPort_->addItem(QStringLiteral("Com") + QString::number(n));
    }
    cboBindPort_->setCurrentIndex(services_.currentPort >= 1 && services_.currentPort <= kPortCount
                                      ? services_.currentPort - 1
                                      : 0);
    lblBindPort->setBuddy(cboBindPort_);
    connect(cboBindPort_, &QComboBox::currentIndexChanged, this, &FrmFindPorts::updateBindButton);

    cmdBind_ = new QPushButton;
    cmdBind_->setObjectName(QStringLiteral("cmdBind"));
    connect(cmdBind_, &QPushButton::clicked, this, &FrmFindPorts::cmdBind_Click);
    auto* cmdRefresh = new QPushButton(QStringLiteral("Refresh"));
    cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    connect(cmdRefresh, &QPushButton::clicked, this, &FrmFindPorts::cmdRefresh_Click);
    auto* cmdClose = new QPushButton(QStringLiteral("Close"));
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    lblStatus_ = new QLabel;
    lblStatus_->setObjectName(QStringLiteral("lblFindPortsStatus"));
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblBindPort);
    buttons->addWidget(cboBindPort_);
    buttons->addWidget(cmdBind_);
    buttons->addStretch(1);
    buttons->addWidget(cmdRefresh);
    buttons->addWidget(cmdClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(lstPorts_, 1);
    layout->addWidget(lblStatus_);
    layout->addLayout(buttons);
    resize(900, 340);
#ifdef Q_OS_WIN
    // Port N is always COMN on Windows: there is nothing to bind, only a number to read off.
    intro->setText(
        QStringLiteral("Serial devices on this computer. Port N is the device COMN: "
                       "choose that number with Communications > Port Setup."));
    lblBindPort->hide();
    cboBindPort_->hide();
    cmdBind_->hide();
#endif

    cmdRefresh_Click();
}

int FrmFindPorts::bindPort() const {
    return cboBindPort_->currentIndex() + 1;
}

void FrmFindPorts::cmdRefresh_Click() {
    ErrorTrap trap(services_.dialogs);
    QList<SerialDeviceInfo> found;
    trap.run([&] { found = services_.devices.devices(); });
    lstPorts_->setRowCount(0);
    devices_.clear();
    QString inUse;
    for (const SerialDeviceInfo& d : found) {
        const int row = lstPorts_->rowCount();
        lstPorts_->insertRow(row);
        QList<int> ports;
        trap.run([&] { ports = portsBoundTo(d, services_.settings); });
        const QString bound = portList(ports);
        // The device the program talks to now: its row stands out, so the user sees which
        // adapter the port in use opens before binding another.
        const bool used = ports.contains(services_.currentPort);
        QString cells[kColumns];
        cells[kDevice] = d.device;
        cells[kBoundTo] = bound;
        cells[kDescription] = d.description;
        cells[kManufacturer] = d.manufacturer;
        cells[kSerial] = d.serialNumber;
        cells[kUsbId] = usbId(d);
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == kDevice) {
                QString tip = d.device == d.systemLocation
                                  ? d.device
                                  : d.device + QStringLiteral("\n(now ") + d.systemLocation + u')';
                if (used) {
                    tip += QStringLiteral("\nCom%1, the port in use, opens this device.")
                               .arg(services_.currentPort);
                    item->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
                }
                item->setToolTip(tip);
            }
            if (used) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
            lstPorts_->setItem(row, c, item);
        }
        if (used) {
            inUse = d.device;
        }
        devices_.append(d.device);
    }
    lstPorts_->resizeColumnsToContents();
    fitWidthToColumns();
    if (found.isEmpty()) {
        lblStatus_->setText(
            QStringLiteral("No serial devices found. Plug in the USB-serial adapter and click "
                           "Refresh."));
    } else {
        QString status = QStringLiteral("%1 serial device(s) found.").arg(found.size());
        status += inUse.isEmpty()
                      ? QStringLiteral(" The port in use, Com%1, opens none of them.")
                            .arg(services_.currentPort)
                      : QStringLiteral(" The port in use, Com%1, opens the one in bold.")
                            .arg(services_.currentPort);
        lblStatus_->setText(status);
        lstPorts_->selectRow(0);
    }
    updateBindButton();
}

bool FrmFindPorts::isInUseRow(int row) const {
    const QTableWidgetItem* item = lstPorts_->item(row, kDevice);
    return item != nullptr && item->font().bold();
}

void FrmFindPorts::fitWidthToColumns() {
    // Every column whole where the screen has room: a device name is the one thing to read here.
    int columns = 0;
    for (int c = 0; c < kColumns; ++c) {
        columns += lstPorts_->columnWidth(c);
    }
    const int frame =
        lstPorts_->frameWidth() * 2 + lstPorts_->verticalScrollBar()->sizeHint().width();
    const int margins = layout() != nullptr ? layout()->contentsMargins().left() +
                                                  layout()->contentsMargins().right()
                                            : 0;
    int widest = width();
    if (const QScreen* s = screen()) {
        widest = std::max(width(),
                          static_cast<int>(s->availableGeometry().width() * kWidestShareOfScreen));
    }
    const int wanted = std::min(columns + frame + margins, widest);
    if (wanted > width()) {
        resize(wanted, height());
    }
}

void FrmFindPorts::updateBindButton() {
    cmdBind_->setText(QStringLiteral("Bind to Com%1").arg(bindPort()));
    cmdBind_->setEnabled(lstPorts_->currentRow() >= 0 && lstPorts_->currentRow() < devices_.size());
}

void FrmFindPorts::cmdBind_Click() {
    const int row = lstPorts_->currentRow();
    if (row < 0 || row >= devices_.size()) {
        return;
    }
    const QString device = devices_.at(row);
    const int port = bindPort();
    ErrorTrap trap(services_.dialogs);
    if (trap.step([&] { tarvik::bindPort(services_.settings, port, device); }) !=
        StepResult::Done) {
        return;
    }
    if (services_.portBound) {
        services_.portBound(port);
    }
    cmdRefresh_Click();
    QString status = QStringLiteral("Com%1 now opens %2.").arg(port).arg(device);
    if (port != services_.currentPort) {
        status += QStringLiteral(
                      " The port in use is Com%1: choose Com%2 under Communications > "
                      "Port Setup to use the adapter.")
                      .arg(services_.currentPort)
                      .arg(port);
    }
    lblStatus_->setText(status);
    for (int r = 0; r < devices_.size(); ++r) {
        if (devices_.at(r) == device) {
            lstPorts_->selectRow(r);
        }
    }
}

}  // namespace tarvik
