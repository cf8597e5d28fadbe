#pragma once
#include <QWidget>
#include <string>
#include <vector>

// Status bar with fixed-width panels addressed by index, each optionally centred. With no
// panels it shows one simple text across its width.
class TStatusBar : public QWidget {
    Q_OBJECT
public:
    struct PanelSpec {
        int width = 50;
        bool centred = false;
    };
    explicit TStatusBar(QWidget* parent = nullptr);

    void SetPanels(const std::vector<PanelSpec>& panels);
    int PanelCount() const;
    void SetPanelText(int index, const std::string& text);
    std::string PanelText(int index) const;

    void SetSimpleText(const std::string& text);
    std::string SimpleText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<PanelSpec> specs_;
    std::vector<std::string> texts_;
    std::string simpleText_;
};
