#include "operator_support.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace
{
// Mean difference between the picture's columns x0 ... x1 - 1 and the scene read one way round:
// column x is scene row v0 + nStep * (x - x0), row y scene pixel y (or 1283 - y when flipped),
// every nDx-th column and nDy-th row. Raw samples take the nearest of the three colours.
double Misfit(const Picture& p, int x0, int x1, int v0, int nStep, bool bFlip, int nDx, int nDy)
{
    const SimScene& scene = SimScene::Instance();
    double dSum = 0;
    long nCount = 0;
    for (int x = x0; x < x1; x += nDx)
    {
        const long v =
            ((v0 + static_cast<long>(nStep) * (x - x0)) % SimScene::ROWS + SimScene::ROWS) % SimScene::ROWS;
        const uint8_t* pRow = scene.Row(static_cast<uint64_t>(v));
        // The first and last rows are left black; the rows beside them are interpolated from them.
        for (int y = 2; y < p.nHeight - 2; y += nDy)
        {
            const uint8_t* pScene = pRow + (bFlip ? SimScene::WIDTH - 1 - y : y) * SimScene::CHANNELS;
            const uint8_t* pPixel = p.At(x, y);
            if (p.nChannels == 1)
            {
                int nBest = 255;
                for (int ch = 0; ch < 3; ++ch)
                    nBest = std::min(nBest, std::abs(pPixel[0] - pScene[ch]));
                dSum += nBest;
            }
            else
                for (int ch = 0; ch < 3; ++ch) // scene channels: red, green, blue
                    dSum += std::abs(pPixel[p.bRgb ? ch : 2 - ch] - pScene[ch]);
            nCount += p.nChannels == 1 ? 1 : 3;
        }
    }
    return nCount ? dSum / nCount : 255.0;
}

// Whether columns x0 ... x1 - 1 show the scene upright: each way round at its best starting row
// on a coarse grid, then the upright one closely. Demosaicing and JPEG soften edges a little; any
// other alignment misses by far more.
bool BlockShowsScene(const Picture& p, int x0, int x1, std::string* pWhy)
{
    struct Way
    {
        int nStep;
        bool bFlip;
        double dBest = 1e9;
        int v0 = 0;
    } ways[] = {{1, false}, {-1, false}, {1, true}, {-1, true}};
    const int nDx = std::max(1, (x1 - x0) / 32);
    for (Way& way : ways)
        for (int v0 = 0; v0 < SimScene::ROWS; ++v0)
        {
            const double d = Misfit(p, x0, x1, v0, way.nStep, way.bFlip, nDx, 32);
            if (d < way.dBest)
                way = Way{way.nStep, way.bFlip, d, v0};
        }
    const double dUpright = Misfit(p, x0, x1, ways[0].v0, 1, false, 1, 3);
    double dOthers = std::numeric_limits<double>::max();
    for (int i = 1; i < 4; ++i)
        dOthers = std::min(dOthers, ways[i].dBest);
    *pWhy += " [" + std::to_string(x0) + ", " + std::to_string(x1) + "): upright " +
             std::to_string(dUpright) + ", other way " + std::to_string(dOthers);
    return dUpright < 12.0 && dUpright * 3 < dOthers;
}
} // namespace

::testing::AssertionResult ShowsScene(const Picture& picture)
{
    if (picture.nWidth < 64 || picture.nHeight != SimScene::WIDTH)
        return ::testing::AssertionFailure()
               << "a " << picture.nWidth << " x " << picture.nHeight << " picture";
    // Where the program fell behind, the camera lost frames and the scene jumps: the picture is
    // judged in blocks of columns, each at its own alignment, and most of them must show it.
    constexpr int BLOCK = 128;
    const int nBlocks = std::max(1, picture.nWidth / BLOCK);
    int nShown = 0;
    std::string strWhy;
    for (int i = 0; i < nBlocks; ++i)
        if (BlockShowsScene(picture, picture.nWidth * i / nBlocks, picture.nWidth * (i + 1) / nBlocks,
                            &strWhy))
            ++nShown;
    if (nShown * 2 > nBlocks)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << nShown << " of " << nBlocks << " blocks show the scene:" << strWhy;
}

OperatorTest::OperatorTest() : m_savedDir(std::filesystem::current_path())
{
    std::filesystem::current_path(m_temp.Dir());
    SetDialogServices(&m_services);
}

void OperatorTest::TearDown()
{
    if (m_pDlg && m_pDlg->IsWindowVisible())
        Exit();
    m_pDlg.reset();
    UiApplication::Instance()->SetMainDialog(nullptr);
    ReleaseSharedBuffers();
    SimCameraTest::TearDown();
    std::filesystem::current_path(m_savedDir);
    SetDialogServices(nullptr);
}

void OperatorTest::Open(const std::string& strSpec, const char* pszIni, const std::function<void()>& prepare)
{
    if (m_pDlg && m_pDlg->IsWindowVisible())
        Exit();
    m_pDlg.reset();
    if (pszIni != nullptr)
    {
        std::filesystem::remove(m_temp.Path("Tarnwick.ini"));
        if (*pszIni != 0)
            TempDir::WriteFile(m_temp.Path("Tarnwick.ini"), pszIni);
    }
    Install(strSpec);
    if (prepare)
        prepare();
    m_pDlg = MakeDialog();
    UiApplication::Instance()->SetMainDialog(m_pDlg.get());
    m_pDlg->Create(nullptr);
    m_pDlg->ShowWindow(ShowState::Show);
    // The start-up chain runs one step a millisecond from the event loop, and a loaded machine takes
    // far longer: its last request addresses the line position's high byte.
    if (m_nOpenPumpMs <= 0)
        return;
    const std::size_t nCamera = static_cast<std::size_t>(m_pDlg->m_nCameraNo);
    PumpUntil(
        [&]
        {
            return nCamera >= m_pSim->DeviceCount() ||
                   std::ranges::any_of(Log(nCamera),
                                       [](const std::string& s) { return s.starts_with("SET1 41 00"); });
        },
        2);
    UiApplication::PumpEvents(m_nOpenPumpMs);
}

void OperatorTest::Exit()
{
    Click(*m_pDlg, IDCANCEL);
    UiApplication::Instance()->SetMainDialog(nullptr);
}

void OperatorTest::Click(Dialog& dlg, int nId)
{
    QWidget* pWidget = ControlWidget(dlg, nId);
    ASSERT_NE(pWidget, nullptr) << "control " << nId;
    // A disabled button takes no click; the operator would find it greyed out.
    ASSERT_TRUE(pWidget->isEnabled()) << "control " << nId << " is disabled";
    QTest::mouseClick(pWidget, Qt::LeftButton);
    UiApplication::PumpEvents(5);
}

void OperatorTest::SelectTab(int nTab)
{
    Dlg().m_tab.SetCurSel(nTab);
    Dlg().OnTcnSelchangeTab();
}

void OperatorTest::StartLineScan(const char* pszRate)
{
    TarnwickDlg& d = Dlg();
    Click(d, IDC_MAIN_START);
    SelectTab(2);
    Click(d.m_tabPartial, IDC_RADIO_LINE_SCAN);
    Click(d.m_tabPartial, IDC_RADIO_FPS_INPUT);
    d.m_tabPartial.m_editFps.SetWindowText(pszRate);
    Click(d.m_tabPartial, IDC_SET_LINE_RATE);
    SelectTab(3);
}

void OperatorTest::Record(int nDirection, std::uint32_t nFrames, bool bWait)
{
    TarnwickDlg& d = Dlg();
    TabGUIRec& rec = d.m_tabRec;
    d.m_tabPartial.m_comboDirection.SetCurSel(nDirection);
    Click(rec, nFrames != 0 ? IDC_RADIO_REC_MANUAL : IDC_RADIO_REC_STOP_AFTER);
    Click(rec, IDC_REC_START);
    ASSERT_NE(g_nRecMode, 0);
    if (nFrames != 0)
    {
        ASSERT_TRUE(PumpUntil([&] { return g_nRecFrames >= nFrames; })) << g_nRecFrames << " frames";
        Click(rec, IDC_REC_STOP);
    }
    ASSERT_TRUE(!bWait || PumpUntil([&] { return g_nRecMode == 0 && d.m_wndLineScan.m_bRunning == 1; }));
}

std::string OperatorTest::Save(int nFormat, const std::string& strFolder)
{
    TabGUIRec& rec = Dlg().m_tabRec;
    rec.m_comboFormat.SetCurSel(nFormat);
    rec.OnCbnSelchangeImageFormat();
    const std::set<std::string> before = Files(strFolder);
    Click(rec, IDC_REC_SAVE);
    for (const std::string& s : Files(strFolder))
        if (!before.contains(s))
            return s;
    return "";
}

std::set<std::string> OperatorTest::Files(const std::string& strFolder) const
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(strFolder, ec))
        names.insert(entry.path().string());
    return names;
}
