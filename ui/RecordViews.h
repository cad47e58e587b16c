#pragma once
// The orders, positions and log views: their row counts follow the engine's books and log, and
// they ask for the text of each cell they paint. Main thread.
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

namespace ordersrv {

class Engine;
class WindowControls;

class RecordViews {
public:
    RecordViews(Engine& engine, const WindowControls& controls)
        : engine_(engine), controls_(controls) {}

    void OnOrdersChanged();                  // OrdersChanged
    void OnPositionsChanged();               // PositionsChanged
    void OnLogLinesPending(bool logShown);   // LogLinesPending: repainted only while its page is shown
    // Answers a view's request for a cell's text; false when the notification is none of theirs.
    bool AnswerCell(NMHDR* header);

private:
    Engine& engine_;
    const WindowControls& controls_;
    int32_t orderRows_ = 0, positionRows_ = 0, logRows_ = 0;
};

}  // namespace ordersrv
