// The workbench's model without windows: configuration, undo, timing, files, status read-out, commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <tuple>
#include <unistd.h>
#include <sys/stat.h>

#include "CommandTable.h"
#include "Configuration.h"
#include "DialogTable.h"
#include "Document.h"
#include "EditText.h"
#include "ParameterFile.h"
#include "StatusReadout.h"
#include "SmallDiskFiles.h"
#include "TestImages.h"
#include "UndoHistory.h"

using namespace testing_support;

TEST(Configuration, FileFormatByPosition) {
    const std::string dir = FreshDir(TempPath("config"));
    CConfiguration config(dir);
    config.Read();  // missing: created with the defaults
    EXPECT_EQ(config.switches, CConfiguration::Defaults());
    const std::string defaults = "ESMENUSXP=NO\r\nPASOAPASO=NO\r\nBLOCNOTAS=SI\r\nLOADNOMOD=SI\r\nTOPNOMODA=SI\r\n";
    EXPECT_EQ(ReadText(config.FilePath()), defaults);

    // Lines are taken by position, not by key; lower case is NO; a short file reads as far as it goes.
    const auto s = CConfiguration::Parse("TOPNOMODA=SI\r\nPASOAPASO=si\r\nLOADNOMOD=SI\r\nBLOC");
    EXPECT_TRUE(s.menusXP == 1 && s.stepByStep == 0 && s.notepad == 1 && s.loadModeless == 0 && s.modelessOnTop == 0);

    // Not accepted: the file stays byte for byte; accepted: rewritten in the fixed order.
    const std::string odd = "ESMENUSXP=SI\r\nPASOAPASO=SI\r\nBLOCNOTAS=NO\r\nLOADNOMOD=NO\r\nTOPNOMODA=no\r\nextra";
    WriteFile(config.FilePath(), Bytes(odd));
    config.Read();
    config.switches.notepad = 1;
    EXPECT_TRUE(config.WriteIfAccepted() && ReadText(config.FilePath()) == odd);
    config.writeOnExit = true;
    EXPECT_TRUE(config.WriteIfAccepted());
    EXPECT_EQ(ReadText(config.FilePath()), "ESMENUSXP=SI\r\nPASOAPASO=SI\r\nBLOCNOTAS=SI\r\nLOADNOMOD=NO\r\nTOPNOMODA=NO\r\n");
}

TEST(Configuration, UnreadableFilesAreLeftBeAndDamagedOnesReplacedByTheDefaults) {
    const std::string dir = FreshDir(TempPath("config-odd"));
    const std::string path = dir + "/" + CConfiguration::kFileName;
    const auto readIn = [&] {
        CConfiguration config(dir);
        config.switches.menusXP = 1;  // Read must replace whatever was there
        config.Read();
        EXPECT_EQ(config.switches, CConfiguration::Defaults());
        EXPECT_EQ(config.FallbackMessage(), "No se ha podido leer configuracion.ini: se usan los valores por defecto");
        // Accepted settings are not written into, or over, what is not a file.
        config.writeOnExit = true;
        EXPECT_FALSE(config.WriteIfAccepted());
        return config.State();
    };

    // A folder; a FIFO without a writer (a plain read would wait for ever); a link to an endless device.
    const std::function<void()> makers[] = {[&] { std::filesystem::create_directories(path); },
                                            [&] { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); },
                                            [&] { std::filesystem::create_symlink("/dev/zero", path); }};
    for (const auto& make : makers) {
        make();
        const auto type = std::filesystem::symlink_status(path).type();
        EXPECT_EQ(readIn(), CConfiguration::ReadState::Unreadable);
        EXPECT_EQ(std::filesystem::symlink_status(path).type(), type);
        std::filesystem::remove_all(path);
    }

    const std::string defaults = CConfiguration::Format(CConfiguration::Defaults());
    const std::string whole = "ESMENUSXP=SI\r\nPASOAPASO=SI\r\nBLOCNOTAS=NO\r\nLOADNOMOD=NO\r\nTOPNOMODA=NO\r\n";
    for (const std::string& damaged : {std::string(), whole.substr(0, 40), whole.substr(0, 67),
                                       std::string(CConfiguration::kMaxFileBytes + 1, 'x'),
                                       std::string("ESMENUSXP=SI\nPASOAPASO=SI\nBLOCNOTAS=NO\nLOADNOMOD=NO\nTOPNOMODA=NO\n\n\n\n\n")}) {
        SCOPED_TRACE(damaged.size());
        WriteFile(path, Bytes(damaged));
        CConfiguration config(dir);
        config.Read();
        EXPECT_TRUE(config.State() == CConfiguration::ReadState::Malformed && config.switches == CConfiguration::Defaults());
        EXPECT_FALSE(config.FallbackMessage().empty());
        EXPECT_EQ(ReadText(path), defaults);  // repaired at once, for the next start
    }
    // The last line end may be missing: the records are whole.
    WriteFile(path, Bytes(whole.substr(0, 68)));
    CConfiguration config(dir);
    config.Read();
    EXPECT_TRUE(config.State() == CConfiguration::ReadState::Read && config.switches.stepByStep == 1 && config.FallbackMessage().empty());
}

TEST(Configuration, WithoutAStartDirectoryNothingIsWrittenAnywhere) {
    // Deleted before start-up (the directory could not be told) or since.
    const std::string gone = FreshDir(TempPath("config-gone"));
    std::filesystem::remove_all(gone);
    for (const std::string& start : {std::string(), gone}) {
        CConfiguration config(start);
        config.Read();
        EXPECT_TRUE(config.State() == CConfiguration::ReadState::Unreadable && config.switches == CConfiguration::Defaults());
        EXPECT_FALSE(config.FallbackMessage().empty());
        config.writeOnExit = true;
        EXPECT_FALSE(config.WriteIfAccepted());
    }
    EXPECT_FALSE(std::filesystem::exists(gone) || std::filesystem::exists(std::string("/") + CConfiguration::kFileName));

    // A fresh start directory: the file is created, with nothing to say about it.
    const std::string fresh = FreshDir(TempPath("config-fresh"));
    CConfiguration config(fresh);
    config.Read();
    EXPECT_TRUE(config.State() == CConfiguration::ReadState::Missing && config.FallbackMessage().empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(config.FilePath()));
}

TEST(UndoHistory, EightStepsOldestDroppedFirst) {
    auto image = std::make_unique<CVelora>(nullptr, nullptr, 1, 1, 8);
    CUndoHistory history;
    EXPECT_EQ(history.UndoText(), "Deshacer   \tCtrl+Z");
    for (int step = 1; step <= 9; ++step) {
        history.PushUndo(*image, "Paso " + std::to_string(step));
        image->SetPixel(0, 0, std::uint32_t(step));
    }
    EXPECT_TRUE(history.Position() == 8 && !history.CanRedo());
    EXPECT_EQ(history.UndoText() + history.RedoText(), "Deshacer (8) Paso 9 \tCtrl+ZRehacer   \tCtrl+Y");
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(history.Undo(image));
    EXPECT_EQ(image->GetPixel(0, 0), 1u);  // as after the first operation
    EXPECT_TRUE(!history.CanUndo() && !history.Undo(image));
    EXPECT_EQ(history.UndoText() + history.RedoText(), "Deshacer   \tCtrl+ZRehacer Paso 2 \tCtrl+Y");

    // Undo twice and redo twice returns to the latest image; a new step discards the redo states.
    for (int i = 0; i < 8; ++i) history.Redo(image);
    history.Undo(image), history.Undo(image);
    EXPECT_EQ(history.UndoText(), "Deshacer (6) Paso 7 \tCtrl+Z");
    history.Redo(image), history.Redo(image);
    EXPECT_EQ(image->GetPixel(0, 0), 9u);
    history.Undo(image);
    history.PushUndo(*image, "Nuevo");
    EXPECT_TRUE(!history.CanRedo() && history.RedoText() == "Rehacer   \tCtrl+Y");
    history.DiscardLast();  // a refused operation leaves no step behind
    EXPECT_TRUE(history.Position() == 7 && !history.CanRedo() && history.RedoText() == "Rehacer  \tCtrl+Y");
}

TEST(Document, OpenSaveAndTiming) {
    const std::string dir = FreshDir(TempPath("document"));
    RandomImage(5, 3, 24, 3).SaveBMP(dir + "/foto.bmp");
    std::filesystem::rename(dir + "/foto.bmp", dir + "/FOTO.bmp");

    CUtilidadDoc doc;
    std::string timing;
    doc.SetTimingSink([&](const std::string& t) { timing = t; });
    EXPECT_EQ(doc.Open(dir + "/FOTO.bmp", nullptr), CUtilidadDoc::OpenOutcome::Read);
    EXPECT_TRUE(doc.Image().GetWidth() == 5 && doc.Title() == "FOTO.bmp");
    EXPECT_EQ(timing.rfind("Tiempo de Cargar Imagen BMP: ", 0), 0u) << timing;
    EXPECT_EQ(timing.substr(timing.size() - 5), " seg.");
    EXPECT_EQ(CStopwatch::TimingText("100% gris", 0.5f), "Tiempo de 100% gris: 0.500000 seg.");

    // A RAW file asks for its dimensions (cancelling: WorkbenchTest).
    WriteFile(dir + "/x.raw", std::vector<std::uint8_t>(12, 7));
    CUtilidadDoc raw;
    EXPECT_EQ(raw.Open(dir + "/x.raw", [](std::uint64_t length, const std::string& name) {
        EXPECT_TRUE(length == 12 && name == "x.raw");
        return std::optional<CVelora::RawSize>(CVelora::RawSize{4, 3});
    }), CUtilidadDoc::OpenOutcome::Read);
    EXPECT_EQ(raw.Image().GetWidth(), 4);
    CUtilidadDoc wrong;
    EXPECT_EQ(wrong.Open(dir + "/x.raw", [](std::uint64_t, const std::string&) {
        return std::optional<CVelora::RawSize>(CVelora::RawSize{5, 5});
    }), CUtilidadDoc::OpenOutcome::Failed);
    EXPECT_TRUE(wrong.TakeLoadResult() == 2 && wrong.TakeLoadResult() == 0);  // taken once
    EXPECT_NE(LoadErrorMessage(2, "x.raw")->find("Se intenta cargar un archivo BMP ó PGM no válido"), std::string::npos);
    EXPECT_NE(LoadErrorMessage(3, "x.raw")->find("x.raw"), std::string::npos);
    EXPECT_FALSE(LoadErrorMessage(0, "x"));

    // Saving: a RAW name writes RAW; a PGM name asks for Save As; Save As adopts the new path.
    doc.SetModified();
    raw.SetModified();
    EXPECT_TRUE(raw.Save().saved && !raw.IsModified());
    EXPECT_EQ(ReadFile(dir + "/x.raw").size(), 12u);
    const std::string pgm = dir + "/p.pgm";
    WriteFile(pgm, Bytes("P5 2 1 255\n\x01\x02"));
    CUtilidadDoc fromPgm;
    ASSERT_EQ(fromPgm.Open(pgm, nullptr), CUtilidadDoc::OpenOutcome::Read);
    EXPECT_TRUE(fromPgm.Save().needsSaveAs);
    EXPECT_EQ(ReadText(pgm), std::string("P5 2 1 255\n\x01\x02"));  // the PGM is not destroyed
    EXPECT_TRUE(fromPgm.SaveAs(dir + "/copia", CUtilidadDoc::kFilterRaw).saved);
    EXPECT_EQ(ReadFile(dir + "/copia"), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_TRUE(fromPgm.PathName() == dir + "/copia" && fromPgm.Image().GetName() == "copia");  // the windows' name too
    EXPECT_TRUE(fromPgm.Save().saved);  // the filter now decides

    EXPECT_TRUE(KindOfFileName("a.Bmp") == ImageFileKind::Bmp && KindOfFileName("bmp") == ImageFileKind::Bmp);
    EXPECT_EQ(KindOfFileName("a.png"), ImageFileKind::Other);
}

TEST(Document, UnwritableTargetKeepsTheOldFile) {
    // A directory in the rename's way: the save fails for anyone, keeps the flag, says why (more: FilesTest).
    const std::string dir = FreshDir(TempPath("document-blocked"));
    std::filesystem::create_directories(dir + "/b.bmp/inside");
    CUtilidadDoc doc;
    doc.SetModified();
    const auto outcome = doc.SaveAs(dir + "/b.bmp", CUtilidadDoc::kFilterBmp);
    EXPECT_TRUE(!outcome.saved && doc.IsModified());
    EXPECT_NE(outcome.error.find("No se ha podido guardar"), std::string::npos) << outcome.error;
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/b.bmp/inside"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary file left
}

TEST(Document, OperationIsOneTimedUndoStepAndARefusalLeavesNoTrace) {
    CUtilidadDoc doc;
    doc.OnNewDocument(nullptr);
    std::vector<std::string> timings;
    doc.SetTimingSink([&](const std::string& t) { timings.push_back(t); });
    const CVelora original = doc.Image();

    EXPECT_EQ(doc.RunOperation("Negativo", "Cálculo Negativo", [](CVelora& im) { return im.Negative(1, 0, 0, 0); }), 0u);
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0].rfind("Tiempo de Cálculo Negativo: ", 0), 0u) << timings[0];
    EXPECT_TRUE(doc.IsModified() && doc.History().Position() == 1 && doc.History().Description(0) == "Negativo");
    const CVelora negated = doc.Image();
    EXPECT_NE(Block(negated), Block(original));

    // Refused: the code comes back, the earlier step is still the last one, nothing is timed.
    doc.SetModified(false);
    bool ran = false;
    EXPECT_EQ(doc.RunOperation("Roto", "Cálculo Roto", [&](CVelora&) { ran = true; return 3u; }), 3u);
    EXPECT_TRUE(ran && timings.size() == 1 && !doc.IsModified() && doc.History().Position() == 1);
    EXPECT_EQ(doc.History().UndoText(), "Deshacer (1) Negativo \tCtrl+Z");
    EXPECT_EQ(Block(doc.Image()), Block(negated));

    // An exception halfway (memory that ran out): the image as it was, no step, no record.
    EXPECT_EQ(doc.RunOperation("Medio", "Cálculo Medio",
                               [](CVelora& im) -> unsigned {
                                   im.Negative(1, 0, 0, 0);
                                   throw std::bad_alloc();
                               },
                               {"Medio:1"}),
              CUtilidadDoc::kNotEnoughMemory);
    EXPECT_EQ(Block(doc.Image()), Block(negated));
    EXPECT_TRUE(doc.History().Position() == 1 && !doc.History().CanRedo() && doc.Record().Steps().empty() && !doc.IsModified());
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(Block(doc.Image()), Block(original));
}

TEST(StatusReadout, TextsForEveryDepth) {
    CVelora rgb(nullptr, nullptr, 4, 3, 24);
    rgb.SetName("foto.bmp"), rgb.SetPixel(1, 2, 0x0A141E);
    EXPECT_EQ(PixelReadout(rgb, 1, 2, 0, false),
              "MC Activo: RGB    foto.bmp   16777216 colores  4x3 píxeles  (X:1,Y:2)= RGB(10,20,30) ");
    EXPECT_TRUE(PixelReadout(rgb, 4, 0, 0, false) == " " && PixelReadout(rgb, 0, -1, 0, false) == " ");

    CVelora rgba(nullptr, nullptr, 2, 2, 32);
    rgba.SetName("a.b.bmp"), rgba.SetAlfa(0, 0, 200);
    EXPECT_EQ(PixelReadout(rgba, 0, 0, 8, true),
              "MC Activo: CIE XYZ    a.b.bmp   16777216 niveles de gris  2x2 píxeles  (X:0,Y:0)= RGBA(0,0,0,200) ");

    CVelora gray;
    gray.SetPixel(3, 3, 77);
    EXPECT_EQ(PixelReadout(gray, 3, 3, 3, true),
              "MC Activo: HSV    SIN_NOMBRE.RAW   256 niveles de gris  16x16 píxeles  (X:3,Y:3)= 77   RGB= (77,77,77) ");
    CVelora bits(nullptr, nullptr, 8, 1, 1);
    bits.SetName("sin");
    EXPECT_EQ(PixelReadout(bits, 0, 0, 0, false),
              "MC Activo: RGB    .   2 colores  8x1 píxeles  (X:0,Y:0)= 0   RGB= (0,0,0) ");
}

TEST(CommandTable, EnablingByDepthModelAndState) {
    std::set<int> ids;
    for (const auto& c : Commands()) EXPECT_TRUE(ids.insert(c.id).second) << "duplicate command " << c.id;

    auto enabled = [](int id, const CommandContext& ctx) { return IsCommandEnabled(*FindCommand(id), ctx); };
    CVelora gray8, colour24 = RandomImage(4, 4, 24, 1), one(nullptr, nullptr, 8, 8, 1);
    CommandContext ctx;
    ctx.toolWindowsPending = false;

    // Without an image window only frame commands run.
    EXPECT_TRUE(enabled(kCmdOpen, ctx) && !enabled(kCmdSave, ctx) && !enabled(kCmdFlipVertical, ctx) && !enabled(kCmdPaste, ctx));
    ctx.clipboardHasDib = true;
    EXPECT_TRUE(enabled(kCmdPaste, ctx));
    ctx.image = &colour24;
    EXPECT_TRUE(enabled(kCmdFlipVertical, ctx) && enabled(kCmdImageInfo, ctx));
    ctx.toolWindowsPending = true;
    EXPECT_FALSE(enabled(kCmdImageInfo, ctx) || enabled(kCmdUndo, ctx));
    ctx.canUndo = true;
    EXPECT_TRUE(enabled(kCmdUndo, ctx));
    ctx.colorModel = 2;  // most operations need the RGB model
    EXPECT_TRUE(!enabled(kCmdFlipVertical, ctx) && enabled(kCmdCopy, ctx));

    // Rules of commands still to be built are evaluated as they will be, with built set.
    auto rule = [&](int id, const CVelora& image, int model) {
        CommandInfo c = *FindCommand(id);
        c.built = true;
        CommandContext k;
        k.image = &image, k.colorModel = model;
        return IsCommandEnabled(c, k);
    };
    // Gray or colour only, the model (Equalize: depth only), the transform's sizes, the palette rule.
    for (auto [id, image, model, on] : {std::tuple{kCmdGrayScale, &gray8, 0, false}, {kCmdGrayBands, &colour24, 0, false},
                                        {kCmdEqualize, &colour24, 4, true}, {kCmdSetOperations, &one, 3, true},
                                        {kCmdBrightness, &colour24, 1, false}, {kCmdFft, &gray8, 0, true}, {kCmdFft, &colour24, 0, false},
                                        {kCmdGrayPalette, &one, 5, true}, {kCmdGrayPalette, &gray8, 5, false}, {kCmdGrayPalette, &gray8, 0, true}})
        EXPECT_EQ(rule(id, *image, model), on) << id << " model " << model;

    // Every command named in the menus exists in the table.
    std::function<void(const std::vector<MenuNode>&)> check = [&](const std::vector<MenuNode>& nodes) {
        for (const auto& n : nodes) {
            if (n.kind == MenuNode::Command) {
                EXPECT_NE(FindCommand(n.id), nullptr) << n.id;
            }
            check(n.children);
        }
    };
    check(MainMenu());
    check(ContextMenu());
    for (int id : MainToolBar()) EXPECT_TRUE(id == 0 || FindCommand(id)) << id;
}

TEST(ParameterFiles, AreWindows1252AndWrittenWholeOrNotAtAll) {
    // Keys with accents: the dialogs' tests. Here what has no single-byte form, or is cut off.
    EXPECT_EQ(ToWindows1252("€ ñ Ω"), "\x80 \xF1 ?");
    EXPECT_EQ(ToWindows1252(std::string("a\xC3", 2)), "a?");
    const std::string dir = FreshDir(TempPath("parameter-files"));
    const std::string path = dir + "/brillo.CfgBrillo";
    ASSERT_TRUE(WriteParameterFile(path, {{"% INCREMENTO BRILLO=", "35"}}));
    EXPECT_EQ(ReadText(path), "% INCREMENTO BRILLO=35\r\n");
    ASSERT_TRUE(WriteParameterFile(path, {{"% INCREMENTO BRILLO=", "-5"}}, false));
    EXPECT_EQ(ReadText(path), "% INCREMENTO BRILLO=-5");
    std::filesystem::create_directories(dir + "/blocked.CfgBrillo/inside");
    EXPECT_FALSE(WriteParameterFile(dir + "/blocked.CfgBrillo", {{"UMBRAL=", "1"}}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

TEST(EditTexts, ReadTheLeadingNumberAndClampWithoutUndefinedConversions) {
    for (auto [text, comma, value] : {std::tuple{"  -7.9xyz", false, -7.9}, {"+35", false, 35.0}, {"abc", false, 0.0},
                                      {"-", false, 0.0}, {"0,5", false, 0.0}, {"0,5", true, 0.5}, {"-1e-999", false, 0.0}})
        EXPECT_DOUBLE_EQ(ParseDecimalPrefix(text, comma), value) << text;
    EXPECT_TRUE(std::isinf(ParseDecimalPrefix("1e999")));
    // A box still being typed into holds no number yet; a zero typed is one.
    for (const char* unfinished : {"", "  ", "-", "+", ".", ",", "abc", "--1"})
        EXPECT_FALSE(ParseNumberPrefix(unfinished, true).has_value()) << unfinished;
    for (auto [text, value] : {std::pair{"0", 0.0}, {"-0,25", -0.25}, {"2x", 2.0}})
        EXPECT_EQ(ParseNumberPrefix(text, true), value) << text;
    for (auto [in, out] : {std::pair{-7.9, -7}, {250.0, 100}, {1e300, 100}, {-HUGE_VAL, -100}, {std::nan(""), 0}})
        EXPECT_EQ(TruncateClamped(in, -100, 100), out) << in;
}

TEST(DialogTitles, JoinPrefixBaseAndExtension) {
    EXPECT_NE(FindDialog("CEscotomaZoomDlg"), nullptr);
    EXPECT_EQ(FindDialog("CNoSuchDlg"), nullptr);
    // A declared dialog takes its facts from its declaration only: none is also still to come.
    for (const auto& op : velora::catalog::Operations())
        for (const auto& command : op.commands)
            EXPECT_TRUE(!command.dialog || !FindDialog(command.dialog->className)) << command.dialog->className;
    CVelora image;
    image.SetName("foto.final.bmp");
    EXPECT_EQ(ImageTitle("Negativo de ", image), "Negativo de foto.final.bmp");
    image.SetName("sinpunto");
    EXPECT_EQ(ImageTitle("Negativo de ", image), "Negativo de .");
}

// The record follows undo and redo, a derived window continues it, and seeds split commands chained by a file.
TEST(DocumentRecord, FollowsUndoAndSplitsCommandsBySeed) {
    CDocumentRecord record;
    record.SetSource("in.bmp");
    record.Push({"Brillo", {"Brightness:35"}});
    record.Push({"Hoover", {"Hoover:0,1,1,150"}, 5u});
    record.Push({"Gamma", {"Gamma:1.5"}});
    record.Undo();
    EXPECT_EQ(record.Steps(), (std::vector<std::string>{"Brightness:35", "Hoover:0,1,1,150"}));
    record.Redo();
    record.Undo();
    record.Push({"Ruido", {"Noise:0,0,0,255,0,255,10"}, 9u});  // drops the step a redo would bring
    EXPECT_EQ(record.Next(), nullptr);
    CDocumentRecord derived;
    derived.Derive(record, {"Flip:1"});
    EXPECT_EQ(derived.CommandLine("out.bmp"),
              "velora apply --seed 5 in.bmp out-1.bmp Brightness:35 Hoover:0,1,1,150\n"
              "velora apply --seed 9 out-1.bmp out.bmp Noise:0,0,0,255,0,255,10 Flip:1\n");
    record.Push({"Editar Paleta", {}});
    EXPECT_FALSE(record.Reproducible());
    EXPECT_NE(record.CommandLine("x.bmp").find("# \"Editar Paleta\" has no command line"), std::string::npos);
    EXPECT_EQ(ShellQuote("a b'c"), "'a b'\\''c'");
}
