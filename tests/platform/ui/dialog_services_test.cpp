#include "platform/ui/dialog_services.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

namespace
{
// Answers in place of a person and remembers what it was asked.
class AnsweringServices : public DialogServices
{
  public:
    int MessageBox(Dialog* pOwner, const std::string& strText, const std::string&, unsigned) override
    {
        m_pOwner = pOwner;
        m_strText = strText;
        return IDOK;
    }
    bool SaveFile(Dialog*, const SaveFileRequest& request, std::string* pPath) override
    {
        m_request = request;
        *pPath = m_strAnswer;
        return !m_strAnswer.empty();
    }
    bool BrowseForFolder(Dialog*, const std::string&, std::string* pFolder) override
    {
        *pFolder = "/tmp/chosen";
        return true;
    }

    Dialog* m_pOwner = nullptr;
    std::string m_strText, m_strAnswer;
    SaveFileRequest m_request;
};
} // namespace

TEST(DialogServices, TestsAnswerInPlaceOfAPersonUntilTheSeamIsRestored)
{
    DialogServices* pOriginal = &GetDialogServices();
    AnsweringServices answers;
    SetDialogServices(&answers);

    RecordingDialog owner(MakeTemplate(60, 40, DLG_CAPTION));
    EXPECT_EQ(GetDialogServices().MessageBox(&owner, "カメラを検出できませんでした", "", MB_OK), IDOK);
    EXPECT_EQ(answers.m_pOwner, &owner);
    EXPECT_EQ(answers.m_strText, "カメラを検出できませんでした");

    std::string strPath;
    const SaveFileRequest request{"BMP Files (*.bmp)|*.bmp||", "bmp", "", "/tmp"};
    EXPECT_FALSE(GetDialogServices().SaveFile(nullptr, request, &strPath)); // cancelled
    EXPECT_EQ(answers.m_request.strDefaultExt, "bmp");
    answers.m_strAnswer = "/tmp/a.bmp";
    EXPECT_TRUE(GetDialogServices().SaveFile(nullptr, request, &strPath));
    EXPECT_EQ(strPath, "/tmp/a.bmp");

    std::string strFolder;
    EXPECT_TRUE(GetDialogServices().BrowseForFolder(nullptr, "Folder", &strFolder));
    EXPECT_EQ(strFolder, "/tmp/chosen");

    SetDialogServices(nullptr);
    EXPECT_EQ(&GetDialogServices(), pOriginal);
}
