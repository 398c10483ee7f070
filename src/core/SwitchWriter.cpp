#include "core/Commands.h"

namespace brak {

namespace {

// Appends the value item prefix"value" with the field's text as typed.
void appendValue(std::string& out, std::vector<QuotedValue>* quoted, const char* prefix,
                 const Edit& field) {
    out += prefix;
    out += '"';
    out += field.text();
    out += "\" ";
    if (quoted)
        quoted->push_back({field.name(), field.text()});
}

} // namespace

std::string GetSwitch(const MainForm& f, std::vector<QuotedValue>* quoted) {
    std::string out;
    auto add = [&out](bool condition, const char* text) {
        if (condition)
            out += text;
    };

    // Simple switches, in the order of the boxes on the Basic tab.
    add(f.chEnvelope.checked(), "-hy ");
    add(f.chSkip.checked(), "-he ");
    add(f.chYes.checked(), "-y ");
    add(f.chRecurse.checked(), "-r ");
    add(f.chQuery.checked(), "-q ");
    add(f.chDelete.checked(), "-d ");
    add(f.chNew.checked(), "-n ");
    add(f.chIgnore.checked(), "-ha ");
    add(f.chWarn.checked(), "-hl ");
    add(f.chFull.checked(), "-jf ");
    add(f.chBroken.checked(), "-jr ");
    add(f.chAdd.checked(), "-hk ");
    add(f.chUse.checked(), "-hx ");
    add(f.chHide.checked(), "-jx ");
    add(f.chTranslate.checked(), "-ho ");
    add(f.chTestTemporary.checked(), "-jt ");

    // The five attribute panels make one item: -hb and a letter-digit pair each.
    if (f.chArchive.checked() || f.chDirectory.checked() || f.chHidden.checked() ||
        f.chRead.checked() || f.chSystem.checked()) {
        out += "-hb";
        add(f.raArchiveSet.checked(), "a1");
        add(f.raArchiveClear.checked(), "a0");
        add(f.raDirectorySet.checked(), "d1");
        add(f.raDirectoryClear.checked(), "d0");
        add(f.raHiddenSet.checked(), "h1");
        add(f.raHiddenClear.checked(), "h0");
        add(f.raReadSet.checked(), "r1");
        add(f.raReadClear.checked(), "r0");
        add(f.raSystemSet.checked(), "s1");
        add(f.raSystemClear.checked(), "s0");
        out += ' ';
    }

    // Switch panels test their variants alone: a panel whose box is off has
    // no checked variant.
    add(f.raFreshenOlder.checked(), "-f1 ");
    add(f.raFreshenDifferent.checked(), "-f2 ");
    add(f.raBitSet.checked(), "-b1 ");
    add(f.raBitReset.checked(), "-b0 ");
    add(f.raUpdateOlder.checked(), "-u1 ");
    add(f.raUpdateDifferent.checked(), "-u2 ");
    add(f.raAccessAuthenticate.checked(), "-hg0 ");
    add(f.raAccessEncrypt.checked(), "-hg1 ");
    add(f.raTestCRC.checked(), "-ht0 ");
    add(f.raTestCompare.checked(), "-ht1 ");
    add(f.raStampNew.checked(), "-s ");
    add(f.raStampOriginal.checked(), "-s1 ");
    add(f.raSortNone.checked(), "-ju- ");
    add(f.raSortName.checked(), "-ju0 ");
    add(f.raSortExtension.checked(), "-ju1 ");
    add(f.raCompressAll.checked(), "-js- ");
    add(f.raCompressCreate.checked(), "-js0 ");
    add(f.raCompressModify.checked(), "-js1 ");
    add(f.raLockAll.checked(), "-jl ");
    add(f.raLockExist.checked(), "-jl1 ");
    add(f.raLockAuto.checked(), "-jl2 ");
    add(f.raCompressionFast.checked(), "-m1 ");
    add(f.raCompressionNormal.checked(), "-m2 ");
    add(f.raCompressionBetter.checked(), "-m3 ");
    add(f.raCompressionBest.checked(), "-m4 ");
    add(f.raLongLong.checked(), "-hf- ");
    add(f.raLongBoth.checked(), "-hf ");
    add(f.raLongShort.checked(), "-hf1 ");
    add(f.raLongToShort.checked(), "-hf2 ");
    add(f.raLongToStandard.checked(), "-hf3 ");

    if (f.chOutput.checked())
        appendValue(out, quoted, "-o", f.edOutput);
    if (f.chWork.checked())
        appendValue(out, quoted, "-w", f.edWork);
    if (f.chList.checked())
        appendValue(out, quoted, "-l", f.edList);
    if (f.chFile.checked() && f.raFileStrip.checked())
        out += "-zNUL ";
    if (f.chFile.checked() && f.raFileName.checked())
        appendValue(out, quoted, "-z", f.edFile);
    if (f.chComment.checked() && f.raCommentStrip.checked())
        out += "-hzNUL ";
    if (f.chComment.checked() && f.raCommentFilename.checked())
        appendValue(out, quoted, "-hz", f.edComment);
    if (f.chCommentFile.checked() && f.raCommentFileStrip.checked())
        out += "-jzNUL ";
    if (f.chCommentFile.checked() && f.raCommentFileFilename.checked())
        appendValue(out, quoted, "-jz", f.edCommentFile);
    return out;
}

} // namespace brak
