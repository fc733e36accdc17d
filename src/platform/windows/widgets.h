// The Qt widgets behind windows: a frame on the desktop holding the client
// area (or a form's controls) and, below it, the soft-key bar.
#pragma once

#include "client_widget.h"
#include "menu_internal.h"
#include "window_internal.h"

#include <QPushButton>
#include <QWidget>
#include <map>
#include <memory>

namespace platform {

class SoftKeyBar : public QWidget {
public:
    // The bar of menu resource `menu`: its first two items are the soft keys.
    SoftKeyBar(HWND owner, const MenuResource& menu, QWidget* parent);
    ~SoftKeyBar() override;
    void press(int key); // 0 left, 1 right
    HMENU popup(int key) const;
    // The SHMBOF_ flags in force for a key.
    unsigned keyOverride(int vk) const;
    void overrideKey(int vk, unsigned mask, unsigned values);

private:
    void setUpKey(int key, const MenuResourceItem& item);

    HWND owner_;
    QPushButton* buttons_[2] = {nullptr, nullptr};
    std::unique_ptr<HMENU__> popups_[2];
    UINT commands_[2] = {0, 0};
    std::map<int, unsigned> overrides_;
};

// A window on the desktop: its content (a window's client area, or a form's
// controls) and, below it, the place of the soft-key bar.
class FrameWidget : public QWidget {
public:
    FrameWidget(HWND hwnd, QWidget* content, int width, int contentHeight, int barHeight);
    QWidget* content() const { return content_; }
    SoftKeyBar* bar() const { return bar_; }
    void setBar(SoftKeyBar* bar);
    // Gives the content a new size; the bar keeps its height below it.
    void resizeContent(int width, int contentHeight);
    // Presses the bar's soft key for F1 or F2; false for other keys or
    // when no bar is shown.
    bool pressSoftKey(int vk);

    static constexpr int kMinimumWidth = 64;
    static constexpr int kMinimumContentHeight = 64;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut();
    void layOutBar();

    HWND hwnd_;
    QWidget* content_;
    SoftKeyBar* bar_ = nullptr;
    int barHeight_;
};

} // namespace platform
