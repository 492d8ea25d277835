#include "Sandbox.h"
#include "TestMain.h"
#include "wizard/Config.h"

// How ds.conf values reach the readers: defaults, conversions and numbered lists.
class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void numberedListsEndAtFirstGap();
    void fileIsReadFromTheWorkingDirectoryOnly();
};

void TestConfig::values_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QVariant>("expected");

    const QByteArray none; // no ds.conf at all
    QTest::newRow("no file: height") << none << "Window/Height" << QVariant(580);
    QTest::newRow("no file: width") << none << "Window/Width" << QVariant(640);
    QTest::newRow("no file: data dir") << none << "Files/dataDir" << QVariant("..\\GameFiles\\");
    QTest::newRow("no file: extra space") << none << "Files/ExtraSpace" << QVariant(0LL);
    QTest::newRow("no file: link name") << none << "Shortcut/Name" << QVariant("The Duskmere.lnk");
    QTest::newRow("no file: game name")
        << none << "Strings/UT3Version" << QVariant("Unreal Tournament 3");

    const QByteArray widthOnly("[Window]\nWidth=800\n");
    QTest::newRow("width only: width") << widthOnly << "Window/Width" << QVariant(800);
    QTest::newRow("width only: height") << widthOnly << "Window/Height" << QVariant(580);
    QTest::newRow("width only: logo") << widthOnly << "Window/Logo" << QVariant(":/res/logo.jpg");

    QTest::newRow("non-numeric int")
        << QByteArray("[Window]\nHeight=tall\n") << "Window/Height" << QVariant(0);
    QTest::newRow("negative extra space")
        << QByteArray("[Files]\nExtraSpace=-4096\n") << "Files/ExtraSpace" << QVariant(-4096LL);
    QTest::newRow("huge extra space") << QByteArray("[Files]\nExtraSpace=9000000000000\n")
                                      << "Files/ExtraSpace" << QVariant(9000000000000LL);
    QTest::newRow("quoted windows path") << QByteArray("[Files]\ndataDir=\"..\\\\Mod Files\\\\\"\n")
                                         << "Files/dataDir" << QVariant("..\\Mod Files\\");
}

void TestConfig::values()
{
    QFETCH(QByteArray, ini);
    QFETCH(QString, key);
    QFETCH(QVariant, expected);
    Sandbox sandbox;
    if (!ini.isNull())
        sandbox.writeConfig(ini);

    const ConfigKey *keys[] = {&Config::WindowHeight, &Config::WindowWidth, &Config::WindowLogo,
                               &Config::UT3Version,   &Config::DataDir,     &Config::ExtraSpace,
                               &Config::ShortcutName};
    const ConfigKey *found = nullptr;
    for (const ConfigKey *candidate : keys)
        if (key == QLatin1String(candidate->name))
            found = candidate;
    QVERIFY(found);

    const QVariant value = ConfigFile().value(*found);
    switch (expected.typeId()) {
    case QMetaType::Int:
        QCOMPARE(value.toInt(), expected.toInt());
        break;
    case QMetaType::LongLong:
        QCOMPARE(value.toLongLong(), expected.toLongLong());
        break;
    default:
        QCOMPARE(value.toString(), expected.toString());
    }
}

void TestConfig::numberedListsEndAtFirstGap()
{
    Sandbox sandbox;
    sandbox.writeConfig("[Extras]\nURL1=a\nDefault1=0\nURL3=c\nDefault3=yes\n"
                        "[Images]\nFile1=x.jpg\nTime1=oops\n");
    const ConfigFile config;
    QVERIFY(config.contains(Config::ExtraUrl, 1));
    QVERIFY(!config.contains(Config::ExtraUrl, 2));
    QVERIFY(config.contains(Config::ExtraUrl, 3)); // present, but readers stop at the gap
    QCOMPARE(config.value(Config::ExtraUrl, 1).toString(), QStringLiteral("a"));
    QCOMPARE(config.value(Config::ExtraDefault, 1).toBool(), false);
    QCOMPARE(config.value(Config::ExtraDefault, 2).toBool(), false); // absent
    QCOMPARE(config.value(Config::ExtraDefault, 3).toBool(), true); // any other text
    QVERIFY(!config.value(Config::ExtraDesc, 1).isValid());
    QCOMPARE(config.value(Config::ImageTime, 1).toInt(), 0);
    QCOMPARE(config.value(Config::ImageTime, 2).toInt(), 3);
}

void TestConfig::fileIsReadFromTheWorkingDirectoryOnly()
{
    Sandbox sandbox;
    sandbox.write(QStringLiteral("elsewhere/ds.conf"), "[Window]\nWidth=1000\n");
    QCOMPARE(ConfigFile().value(Config::WindowWidth).toInt(), 640);
    QDir::setCurrent(sandbox.path(QStringLiteral("elsewhere")));
    QCOMPARE(ConfigFile().value(Config::WindowWidth).toInt(), 1000);
}

DUSKMERE_TEST_MAIN(TestConfig)
#include "tst_config.moc"
