#include "output/print_layout.h"

#include "output/righe_vista.h"

namespace corvex {

namespace {

constexpr char kBoldMark = '\xE7';

double orDefault(double size) {
    return size > 0 ? size : kDimensionePredefinita;
}

class PageBuilder {
  public:
    PageBuilder(const ConfigStampa& c, const MisurePagina* m) : c_(c), m_(m) {}

    void openPage(bool first) {
        pages_.emplace_back();
        used_ = 0;
        RigaStampa opening{
            RigaStampa::Tipo::Apertura, orDefault(c_.dimensioneApertura), {{" ", false}}};
        add(opening);
        // The first page prints its margin at the opening size, later pages
        // at the body size, as the printer's font size stands at that point.
        const double marginSize = first ? orDefault(c_.dimensioneApertura) : body();
        for (int i = 0; i < c_.margineSuperiore; ++i) {
            add(RigaStampa{RigaStampa::Tipo::Margine, marginSize, {{" ", false}}});
        }
        count_ = c_.margineSuperiore;
        bodyLines_ = 0;
    }

    // True when line would not fit below what the page holds already.
    bool wouldOverflow(const RigaStampa& line) const {
        if (!m_ || !m_->altezza || m_->altezzaUtile <= 0 || bodyLines_ == 0) return false;
        return used_ + m_->altezza(line) > m_->altezzaUtile;
    }

    void addBody(RigaStampa line) {
        add(std::move(line));
        ++count_;
        ++bodyLines_;
    }

    double body() const { return orDefault(c_.dimensioneCorpo); }
    int count() const { return count_; }
    std::vector<PaginaStampa> take() { return std::move(pages_); }

  private:
    void add(RigaStampa line) {
        if (m_ && m_->altezza) used_ += m_->altezza(line);
        pages_.back().righe.push_back(std::move(line));
    }

    const ConfigStampa& c_;
    const MisurePagina* m_;
    std::vector<PaginaStampa> pages_;
    double used_ = 0;
    int count_ = 0;
    int bodyLines_ = 0;
};

}  // namespace

std::vector<SegmentoStampa> segmentiGrassetto(const std::string& line) {
    std::vector<SegmentoStampa> out;
    bool bold = false;
    std::string pending;
    for (char c : line) {
        if (c == kBoldMark) {
            if (!pending.empty()) out.push_back({std::move(pending), bold});
            pending.clear();
            bold = !bold;
        } else {
            pending += c;
        }
    }
    if (!pending.empty()) out.push_back({std::move(pending), bold});
    return out;
}

std::vector<PaginaStampa> impaginaStampante(const std::vector<std::string>& lines,
                                            const ConfigStampa& config,
                                            const MisurePagina* misure) {
    PageBuilder pages(config, misure);
    pages.openPage(true);
    bool pageFull = false;  // the page is complete; the next line opens a new one
    // Frames and letters as the views show them; bold marks stay for the runs.
    const std::vector<std::string> shown =
        config.senzaPulizia() ? lines : righeVista(lines, /*keepBold=*/true);
    for (const auto& text : shown) {
        if (text == "\f") {
            pageFull = true;
            continue;
        }
        RigaStampa line{RigaStampa::Tipo::Corpo, pages.body(), segmentiGrassetto(text)};
        if (pageFull || pages.wouldOverflow(line)) {
            pages.openPage(false);
            pageFull = false;
        }
        pages.addBody(std::move(line));
        if (pages.count() >= config.lunghezzaPagina) pageFull = true;
    }
    return pages.take();
}

}  // namespace corvex
