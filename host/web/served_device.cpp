#include "host/web/served_device.h"

namespace web {

namespace {

// The figure's colours, 0x00BBGGRR: slate blue, and orange while Digital Control is active.
constexpr QM7140Color kFigureColor = 0x00805030;
constexpr QM7140Color kFigureHighlight = 0x0000A5FF;

host::GraphRectangle Figure() {
    host::GraphRectangle figure = host::MakeRectangle(0, 0, kFigureWidth, kFigureHeight, 2, kFigureColor);
    figure.object.FadeColor = kFigureHighlight;
    figure.object.HighlightPenWidth = 5;
    return figure;
}

}  // namespace

ServedDevice::ServedDevice(const host::Module& module, host::Bus bus, bool verify)
    : figure(Figure()), device(module, std::move(bus), [this](const host::Record& record) { journal.Take(record); }, verify) {
    device.Start();
}

std::string ServedDevice::Status() const {
    if (device.Chip().Online() || !device.MayWait()) return device.Status();
    return device.Status() + " (the page's Connect tries again): " + device.LastFailure();
}

}  // namespace web
