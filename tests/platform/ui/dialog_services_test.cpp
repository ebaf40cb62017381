#include "platform/ui/dialog_services.h"
#include "test_dialog.h"

#include <gtest/gtest.h>

namespace
{
// Answers in place of a person.
class AnsweringServices : public DialogServices
{
  public:
    int MessageBox(Dialog*, const std::string&, const std::string&, unsigned) override { return IDYES; }
    bool SaveFile(Dialog*, const SaveFileRequest&, std::string*) override { return false; }
    bool BrowseForFolder(Dialog*, const std::string&, std::string*) override { return false; }
};
} // namespace

TEST(DialogServices, TestsAnswerInPlaceOfAPersonUntilTheSeamIsRestored)
{
    DialogServices* pOriginal = &GetDialogServices();
    AnsweringServices answers;
    SetDialogServices(&answers);
    EXPECT_EQ(GetDialogServices().MessageBox(nullptr, "カメラを検出できませんでした", "", MB_YESNO), IDYES);
    SetDialogServices(nullptr);
    EXPECT_EQ(&GetDialogServices(), pOriginal);
}
