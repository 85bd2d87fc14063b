// One-line fields stay one line: a line break or NUL pasted, inserted or set
// into a field of the main window or the settings dialog is removed there,
// and the files written from those fields keep their lines.
#include "catalogue/settings.h"
#include "support/mainformfixture.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace lumisk;
using namespace lumisk::test;

namespace {

enum class TWay { Paste, Insert, SetText };

struct TFieldCase {
    const char* Name;
    const char* Field; // the field's name in the main window or the settings dialog
    TWay Way;
    QString Before, Input, After; // Before: the field's text, the cursor after its first character
    int Cursor;
};

class FieldSanitising : public MainFormFixture, public testing::WithParamInterface<TFieldCase> {};

} // namespace

TEST_P(FieldSanitising, LineBreaksAndNulNeverEnterAField) {
    const TFieldCase& c = GetParam();
    WriteNumberedCatalogue(1);
    WriteKnownVersion();
    Start();
    QLineEdit* field = Main().findChild<QLineEdit*>(c.Field);
    if (!field) field = Forms().Settings->findChild<QLineEdit*>(c.Field);
    ASSERT_TRUE(field);
    field->setText(c.Before);
    field->setCursorPosition(1);
    QGuiApplication::clipboard()->setText(c.Input);
    if (c.Way == TWay::Paste) field->paste();
    if (c.Way == TWay::Insert) field->insert(c.Input);
    if (c.Way == TWay::SetText) field->setText(c.Input);
    EXPECT_EQ(field->text(), c.After);
    EXPECT_EQ(field->cursorPosition(), c.Cursor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldSanitising,
    testing::Values(TFieldCase{"PastedAddressLosesItsTrailingLineBreak", "url", TWay::Paste, "",
                               "http://h/c.jpg\r\n", "http://h/c.jpg", 14},
                    TFieldCase{"CursorStaysAfterThePastedText", "description", TWay::Paste, "ab",
                               "\r\nX\r\n", "aXb", 2},
                    TFieldCase{"NulAndBareCrInserted", "updatetime", TWay::Insert, "",
                               QString("5") + QChar(0) + "0\r", "50", 2},
                    TFieldCase{"DateSetWithAFoldedLine", "DateEdit", TWay::SetText, "",
                               "07 Nov 1994\r\n 08:49", "07 Nov 1994 08:49", 17},
                    TFieldCase{"PastedProxyName", "proxyserver", TWay::Paste, "",
                               "proxy.example\r\n", "proxy.example", 13},
                    TFieldCase{"TimeoutSetByProgram", "timeout", TWay::SetText, "", "5000\n",
                               "5000", 4}),
    [](const auto& info) { return std::string(info.param.Name); });

class FieldFiles : public MainFormFixture {};

TEST_F(FieldFiles, PastedLineBreaksLeaveTheCatalogueAndSettingsLinesIntact) {
    WriteNumberedCatalogue(2);
    WriteKnownVersion();
    Start();
    QGuiApplication::clipboard()->setText("http://127.0.0.1/new.jpg\r\n");
    Main().url->selectAll();
    Main().url->paste();
    // Windows-1252 bytes around a CR lose only the CR.
    Main().description->SetBytes("Caf\xE9\r 1");
    QGuiApplication::clipboard()->setText("proxy.example\r\nEnabled=1\r\n");
    Forms().Settings->proxyserver->selectAll();
    Forms().Settings->proxyserver->paste();
    Main().close();
    EXPECT_EQ(dir.Read("orvane.dat"), "Caf\xE9 1\r\nhttp://127.0.0.1/new.jpg\r\nhttp://127.0.0.1/"
                                      "page1\r\n1\r\n\r\nCam 2\r\nhttp://127.0.0.1/cam2.jpg\r\n\r\n"
                                      "2\r\n\r\n");
    const std::string ini = dir.Read("orvane.ini");
    EXPECT_NE(ini.find("\r\nServer=proxy.exampleEnabled=1\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("\r\nEnabled=1"), std::string::npos) << ini;
}
