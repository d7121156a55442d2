// The filter dialog: what an entry shows, the user mask's size rule, the windows "Aplicar filtro" opens.
#include <QListWidget>

#include "FilterCatalogue.h"
#include "FilterDialog.h"
#include "WorkbenchFixture.h"

using namespace testing_support;

namespace {

class FilterDialog : public DialogWorkbench {
protected:
    void TearDown() override {
        dialog.reset();  // before the view that parents it
        DialogWorkbench::TearDown();
    }
    CFiltros& Dialog() {
        if (!dialog) dialog = std::make_unique<CFiltros>(Frame().Workbench(), Frame().ActiveView());
        return *dialog;
    }
    // The list line of an entry, by its text.
    QListWidgetItem* Line(const QString& text) {
        const auto found = Dialog().list->findItems(text, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << text.toStdString();
        return found.isEmpty() ? nullptr : found.front();
    }
    void Choose(const QString& text) { Dialog().list->setCurrentItem(Line(text)); }
    QLineEdit* Cell(int row, int column) { return Dialog().grid[std::size_t(row * CFiltros::kGridSide + column)]; }
    // The side of the enabled top-left square, checking that nothing outside it is enabled.
    int EnabledSide() {
        int side = 0;
        while (side < CFiltros::kGridSide && Cell(side, side)->isEnabled()) ++side;
        for (int r = 0; r < CFiltros::kGridSide; ++r)
            for (int c = 0; c < CFiltros::kGridSide; ++c)
                EXPECT_EQ(Cell(r, c)->isEnabled(), r < side && c < side) << r << "," << c;
        return side;
    }
    void FinishSize(const QString& text) {
        Type(Dialog().sizeBox->Edit(), text);
        Leave(Dialog().sizeBox);
    }

    std::unique_ptr<CFiltros> dialog;
};

}  // namespace

// Headings and blank lines choose nothing; an entry shows its own mask, size and divisor, read-only.
TEST_F(FilterDialog, EachEntryShowsItsOwnMaskWhileHeadingsChooseNothing) {
    Open("foto.bmp", RandomImage(20, 12, 8, 1, true));
    CFiltros& d = Dialog();
    EXPECT_FALSE(d.applyButton->isEnabled());
    EXPECT_EQ(EnabledSide(), 0);
    ASSERT_EQ(d.list->count(), int(velora::FilterListLines().size()));
    for (int row = 0; row < d.list->count(); ++row) {
        const velora::FilterEntry* entry = velora::FilterListLines()[std::size_t(row)].entry;
        QListWidgetItem* line = d.list->item(row);
        SCOPED_TRACE(line->text().toStdString());
        if (!entry) {
            EXPECT_FALSE(line->flags() & (Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            continue;
        }
        d.list->setCurrentItem(line);
        ASSERT_EQ(d.ChosenEntry(), entry);
        EXPECT_TRUE(d.applyButton->isEnabled());
        const bool mask = !entry->coefficients.empty();
        EXPECT_EQ(EnabledSide(), mask ? entry->size : 0);
        if (!mask) continue;
        EXPECT_EQ(d.divisorEdit->text(), QString::number(entry->divisor));
        for (int i = 0; i < entry->size * entry->size; ++i)
            EXPECT_EQ(Cell(i / entry->size, i % entry->size)->text(), QString::number(entry->coefficients[std::size_t(i)])) << i;
        EXPECT_TRUE(Cell(0, 0)->isReadOnly());
    }

    // "Usuario" starts from the entry shown and "Predefinido" shows the entry again.
    Choose("LoG - Laplaciana de Gaussiano (2) (11x11)");
    d.modeGroup->button(CFiltros::User)->click();
    EXPECT_FALSE(Cell(5, 5)->isReadOnly());
    EXPECT_EQ(d.MaskSize(), 11);
    Finish(Cell(5, 5), "7");
    EXPECT_EQ(d.UserMask()[5 * 11 + 5], 7);
    EXPECT_EQ(d.sumLabel->text(), "Suma de la máscara: -173");
    d.modeGroup->button(CFiltros::Predefined)->click();
    EXPECT_EQ(Cell(5, 5)->text(), "178");
    EXPECT_TRUE(Cell(5, 5)->isReadOnly());
}

TEST_F(FilterDialog, UserModeEnablesExactlyTheMaskAndKeepsItsSizeOdd) {
    Open("foto.bmp", RandomImage(20, 12, 8, 1, true));
    CFiltros& d = Dialog();
    d.modeGroup->button(CFiltros::User)->click();
    EXPECT_TRUE(d.divisorEdit->isEnabled());
    EXPECT_EQ(EnabledSide(), 3);

    const auto steps = [&d](int count, int by) {
        std::vector<int> sizes;
        for (int i = 0; i < count; ++i) d.sizeBox->stepBy(by), sizes.push_back(d.sizeBox->value());
        return sizes;
    };
    EXPECT_EQ(steps(5, +1), (std::vector<int>{5, 7, 9, 11, 11}));
    EXPECT_EQ(EnabledSide(), 11);
    EXPECT_EQ(steps(7, -1), (std::vector<int>{9, 7, 5, 3, 2, 1, 1}));
    EXPECT_EQ(steps(1, +1), (std::vector<int>{2}));
    EXPECT_EQ(EnabledSide(), 2);

    // Typed sizes: even ones go where the arrows would, out of range ones are answered.
    for (const auto& [typed, taken] : {std::pair{"10", 9}, {"8", 9}, {"6", 5}, {"4", 3}, {"7", 7}}) {
        FinishSize(typed);
        EXPECT_EQ(d.sizeBox->value(), taken) << typed;
        EXPECT_EQ(d.MaskSize(), taken) << typed;
        EXPECT_EQ(EnabledSide(), taken) << typed;
    }
    FinishSize("15");
    EXPECT_EQ(EnabledSide(), 11);
}

TEST_F(FilterDialog, ApplyingOpensNumberedWindowsWithTheLibrarysBytesAndLeavesTheSource) {
    CUtilidadView* view = Open("gris.bmp", RandomImage(23, 17, 8, 2, true));
    CFiltros& d = Dialog();
    const int first = CFiltros::NextResultNumber();

    // A predefined filter in "Valor Absoluto" with zero padding.
    Choose("Sobel");
    d.rangeGroup->button(2)->click();
    d.borderGroup->button(1)->click();
    int windows = Windows();
    d.applyButton->click();
    Settle();
    ASSERT_EQ(Windows(), windows + 1);
    CUtilidadDoc* result = Frame().ActiveDocument();
    EXPECT_EQ(result->Title(), "gris - Sobel" + std::to_string(first) + ".bmp");
    EXPECT_TRUE(result->IsModified());
    EXPECT_EQ(Block(result->Image()), Block(Applied(original, [](CVelora& i) { return i.PredefinedFilter(50, 2, 1); })));

    // A typed user mask of size 2; "Reescalado" with replicated borders; Enter in a cell applies it.
    d.show();
    d.modeGroup->button(CFiltros::User)->click();
    FinishSize("2");
    const std::vector<int> mask = {1, -2, 3, 4};
    for (int i = 0; i < 4; ++i) Finish(Cell(i / 2, i % 2), QString::number(mask[std::size_t(i)]));
    Finish(d.divisorEdit, "3");
    d.rangeGroup->button(0)->click();
    d.borderGroup->button(2)->click();
    EXPECT_EQ(d.UserMask(), mask);
    QTest::keyClick(Cell(1, 1), Qt::Key_Return);
    Settle();
    result = Frame().ActiveDocument();
    EXPECT_EQ(result->Title(), "grisFiltroUsuario" + std::to_string(first + 1) + ".bmp");
    EXPECT_EQ(Block(result->Image()), Block(Applied(original, [&](CVelora& i) { return i.Convolution(mask, 2, 3, 0, 2); })));

    // The source is untouched and has no undo step; the dialog is still there for more.
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    EXPECT_FALSE(view->Document().History().CanUndo());
    EXPECT_TRUE(messages.isEmpty());

    // The count goes on in the next dialog, and a double click applies its entry at once.
    dialog.reset();
    dialog = std::make_unique<CFiltros>(Frame().Workbench(), view);
    windows = Windows();
    emit Dialog().list->itemDoubleClicked(Line("Mediana (5x5)"));
    Settle();
    ASSERT_EQ(Windows(), windows + 1);
    EXPECT_EQ(Frame().ActiveDocument()->Title(), "gris - Mediana (5x5)" + std::to_string(first + 2) + ".bmp");
    EXPECT_EQ(Block(Frame().ActiveDocument()->Image()), Block(Applied(original, [](CVelora& i) { return i.PredefinedFilter(23, 1, 0); })));
    EXPECT_EQ(CFiltros::NextResultNumber(), first + 3);
}

// The dialog stays open over the workspace: each result window shows beside it, not behind.
TEST_F(FilterDialog, ResultWindowsAreNotHiddenBehindTheDialog) {
    Open("delante.bmp", RandomImage(23, 17, 8, 2, true));
    CFiltros& d = Dialog();
    d.show();
    d.move(Frame().MdiArea()->viewport()->mapToGlobal(QPoint(0, 0)));  // over where new windows open
    Choose("Sobel");
    for (int i = 0; i < 3; ++i) {
        d.applyButton->click();
        Settle();
        const QMdiSubWindow* child = Frame().MdiArea()->activeSubWindow();
        ASSERT_NE(child, nullptr);
        EXPECT_FALSE(d.frameGeometry().intersects(QRect(child->mapToGlobal(QPoint(0, 0)), child->size()))) << i;
    }
}

TEST_F(FilterDialog, ARefusedFilterOpensNoWindowAndTakesNoNumber) {
    CUtilidadView* view = Open("bits.bmp", RandomImage(16, 8, 1, 3));
    CFiltros& d = Dialog();
    const int number = CFiltros::NextResultNumber(), windows = Windows();
    Choose("Media1 (3x3)");
    EXPECT_FALSE(d.ApplyFilter());
    d.modeGroup->button(CFiltros::User)->click();
    EXPECT_FALSE(d.ApplyFilter());
    Settle();
    EXPECT_EQ(Windows(), windows);
    EXPECT_EQ(CFiltros::NextResultNumber(), number);
    ASSERT_EQ(messages.size(), 2);
    for (const QString& message : messages)
        EXPECT_EQ(message, "Mensaje de Error|Error. Los filtros no se aplican a imágenes de 1 bit: solo a imágenes de 4, 8, 24 o 32 bits");
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
}

TEST_F(FilterDialog, SalirRestoresTheSourceAndCloses) {
    CUtilidadView* view = Open("foto.bmp", RandomImage(20, 12, 24, 4));
    CFiltros& d = Dialog();
    d.show();
    ASSERT_EQ(view->Document().Image().Brightness(50), 0u);  // whatever reached the image meanwhile
    d.exitButton->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), int(QDialog::Rejected));
    EXPECT_EQ(Block(view->Document().Image()), Block(original));
    EXPECT_FALSE(view->Document().History().CanUndo());
}
