#include "common/widgets/selectionchange.h"

#include <utility>

#include <QComboBox>

namespace common {

namespace {

class SelectionWatcher final : public QObject
{
    Q_DISABLE_COPY_MOVE(SelectionWatcher)

public:
    SelectionWatcher(QComboBox* box, std::function<void()> handler)
        : QObject(box), m_shown(box->currentIndex()), m_handler(std::move(handler))
    {
        // A pick moves the index just before `activated`; taking the shown item only once control
        // is back in the event loop compares each pick with what was on screen before it.
        connect(
            box, &QComboBox::currentIndexChanged, this, [this](int index) { m_shown = index; }, Qt::QueuedConnection);
        connect(box, &QComboBox::activated, this, [this](int index) {
            if (index == m_shown)
                return;
            m_shown = index;
            m_handler();
        });
    }

private:
    int m_shown = -1;
    std::function<void()> m_handler;
};

} // namespace

void on_selection_changed(QComboBox* box, std::function<void()> handler)
{
    if (box != nullptr)
        new SelectionWatcher(box, std::move(handler));
}

} // namespace common
