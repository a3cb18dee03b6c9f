<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Application   :</source>
        <translation>Application   :</translation>
    </message>
    <message>
        <source>Version         :</source>
        <translation>Version         :</translation>
    </message>
    <message>
        <source>Exécutable   :</source>
        <translation>Executable   :</translation>
    </message>
    <message>
        <source>CopyRight    :</source>
        <translation>Copyright    :</translation>
    </message>
    <message>
        <source>Organisation :</source>
        <translation>Organisation :</translation>
    </message>
    <message>
        <source>Image Processor and JPG save by</source>
        <translation>Image Processor and JPG save by</translation>
    </message>
    <message>
        <source>Extract EXIF info by</source>
        <translation>Extract EXIF info by</translation>
    </message>
</context>
<context>
    <name>BatchDialog</name>
    <message>
        <source>Batch Transform</source>
        <translation>Batch Transform</translation>
    </message>
    <message>
        <source>Transform All Files in sub-folder with current options</source>
        <translation>Transform All Files in sub-folder with current options</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>Choose a folder</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>Apply Filter</source>
        <translation>Apply Filter</translation>
    </message>
    <message>
        <source>Skip photos already saved</source>
        <translation>Skip photos already saved</translation>
    </message>
    <message>
        <source>Include all sub-folders</source>
        <translation>Include all sub-folders</translation>
    </message>
    <message>
        <source>Replace files not written by Quillon</source>
        <translation>Replace files not written by Quillon</translation>
    </message>
    <message>
        <source>check &quot;%1&quot; to replace it</source>
        <translation>check &quot;%1&quot; to replace it</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Go</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>1 photo</source>
        <translation>1 photo</translation>
    </message>
    <message>
        <source>%1 photos</source>
        <translation>%1 photos</translation>
    </message>
    <message>
        <source>%1 in 1 folder</source>
        <translation>%1 in 1 folder</translation>
    </message>
    <message>
        <source>%1 in %2 folders</source>
        <translation>%1 in %2 folders</translation>
    </message>
    <message>
        <source>%1 (%2 saved already)</source>
        <translation>%1 (%2 saved already)</translation>
    </message>
    <message>
        <source>%1, not the %2 in the folder itself</source>
        <translation>%1, not the %2 in the folder itself</translation>
    </message>
    <message>
        <source>Source: %1 — %2</source>
        <translation>Source: %1 — %2</translation>
    </message>
    <message>
        <source>Looking for photos...</source>
        <translation>Looking for photos...</translation>
    </message>
    <message>
        <source>Stopping after the photos under way...</source>
        <translation>Stopping after the photos under way...</translation>
    </message>
    <message>
        <source>No photo was treated.</source>
        <translation>No photo was treated.</translation>
    </message>
    <message>
        <source>The batch stopped: %1
%2</source>
        <translation>The batch stopped: %1
%2</translation>
    </message>
    <message>
        <source>1 note on the photos written.</source>
        <translation>1 note on the photos written.</translation>
    </message>
    <message>
        <source>%1 notes on the photos written.</source>
        <translation>%1 notes on the photos written.</translation>
    </message>
    <message>
        <source>0 of %1 photos done</source>
        <translation>0 of %1 photos done</translation>
    </message>
    <message>
        <source>%1 of %2 photos done: %3%4</source>
        <translation>%1 of %2 photos done: %3%4</translation>
    </message>
    <message>
        <source> (skipped)</source>
        <translation> (skipped)</translation>
    </message>
</context>
<context>
    <name>DateStyleDialog</name>
    <message>
        <source>Date Pos/Style</source>
        <translation>Date Position and Style</translation>
    </message>
    <message>
        <source>Change Font</source>
        <translation>Change Font</translation>
    </message>
    <message>
        <source>Color ONE</source>
        <translation>Color ONE</translation>
    </message>
    <message>
        <source>Color TWO</source>
        <translation>Color TWO</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Horizontale</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Verticale</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>Stamp height</source>
        <translation>Stamp height</translation>
    </message>
    <message>
        <source> % of the photo</source>
        <translation> % of the photo</translation>
    </message>
    <message>
        <source>Anchor</source>
        <translation>Anchor</translation>
    </message>
    <message>
        <source>where it is dragged</source>
        <translation>where it is dragged</translation>
    </message>
    <message>
        <source>Margin</source>
        <translation>Margin</translation>
    </message>
    <message>
        <source>Clock shift</source>
        <translation>Clock shift</translation>
    </message>
    <message>
        <source> h</source>
        <translation> h</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>no stamp</source>
        <translation>no stamp</translation>
    </message>
    <message>
        <source>the file&apos;s modification time</source>
        <translation>the file&apos;s modification time</translation>
    </message>
    <message>
        <source>No date in the photo</source>
        <translation>No date in the photo</translation>
    </message>
    <message>
        <source>the date in the file name</source>
        <translation>the date in the file name</translation>
    </message>
    <message>
        <source>the file name&apos;s date, else the file&apos;s time</source>
        <translation>the file name&apos;s date, else the file&apos;s time</translation>
    </message>
</context>
<context>
    <name>DesktopLauncher</name>
    <message>
        <source>An error occurred occurred whilst trying to open or print the selected file.</source>
        <translation>An error occurred whilst trying to open or print the selected file.</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Out of memory</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>File not found</translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Path not found</translation>
    </message>
    <message>
        <source>Path/file access error</source>
        <translation>Path/file access error</translation>
    </message>
    <message>
        <source>The executable file is invalid or corrupt</source>
        <translation>The executable file is invalid or corrupt</translation>
    </message>
    <message>
        <source>A sharing violation occurred.</source>
        <translation>A sharing violation occurred.</translation>
    </message>
    <message>
        <source>This file type does not have a valid file association.</source>
        <translation>This file type does not have a valid file association.</translation>
    </message>
    <message>
        <source>The file could not be opened due to time out.  Please try again in a moment.</source>
        <translation>The file could not be opened due to time out.  Please try again in a moment.</translation>
    </message>
    <message>
        <source>The file could not be opened because the DDE transaction failed.  Please try again in a moment.</source>
        <translation>The file could not be opened because the DDE transaction failed.  Please try again in a moment.</translation>
    </message>
    <message>
        <source>The file could not be opened because the target application is busy.  Please try again in a moment.</source>
        <translation>The file could not be opened because the target application is busy.  Please try again in a moment.</translation>
    </message>
    <message>
        <source>No application is associated with this file type.</source>
        <translation>No application is associated with this file type.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>The specified dynamic-link library was not found.</translation>
    </message>
    <message>
        <source>Erreur %1<byte value="xd"/>
%2</source>
        <translation>Error %1<byte value="xd"/>
%2</translation>
    </message>
</context>
<context>
    <name>ExifWindow</name>
    <message>
        <source>EXIF INFO</source>
        <translation>EXIF INFO</translation>
    </message>
    <message>
        <source>&amp;Raw values</source>
        <translation>&amp;Raw values</translation>
    </message>
    <message>
        <source>The values as the photo stores them</source>
        <translation>The values as the photo stores them</translation>
    </message>
</context>
<context>
    <name>MainMenuBar</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>Save as &amp;BMP</source>
        <translation>Save as &amp;BMP</translation>
    </message>
    <message>
        <source>Save as &amp;JPG</source>
        <translation>Save as &amp;JPG</translation>
    </message>
    <message>
        <source>Ba&amp;tch Save ...</source>
        <translation>Ba&amp;tch Save ...</translation>
    </message>
    <message>
        <source>Get &amp;EXIF info</source>
        <translation>Get &amp;EXIF info</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>Ed&amp;it</source>
        <translation>Ed&amp;it</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copy</translation>
    </message>
    <message>
        <source>&amp;Size</source>
        <translation>&amp;Size</translation>
    </message>
    <message>
        <source>&amp;25%</source>
        <translation>&amp;25%</translation>
    </message>
    <message>
        <source>&amp;37.5%</source>
        <translation>&amp;37.5%</translation>
    </message>
    <message>
        <source>&amp;50%</source>
        <translation>&amp;50%</translation>
    </message>
    <message>
        <source>&amp;62.5%</source>
        <translation>&amp;62.5%</translation>
    </message>
    <message>
        <source>&amp;80%</source>
        <translation>&amp;80%</translation>
    </message>
    <message>
        <source>&amp;100%</source>
        <translation>&amp;100%</translation>
    </message>
    <message>
        <source>&amp;Effect</source>
        <translation>&amp;Effect</translation>
    </message>
    <message>
        <source>&amp;Lighten</source>
        <translation>&amp;Lighten</translation>
    </message>
    <message>
        <source>&amp;Darken</source>
        <translation>&amp;Darken</translation>
    </message>
    <message>
        <source>Grey &amp;scale</source>
        <translation>Grey &amp;scale</translation>
    </message>
    <message>
        <source>Se&amp;pia</source>
        <translation>Se&amp;pia</translation>
    </message>
    <message>
        <source>&amp;Grain</source>
        <translation>&amp;Grain</translation>
    </message>
    <message>
        <source>Select &amp;filter</source>
        <translation>Select &amp;filter</translation>
    </message>
    <message>
        <source>&amp;Blur</source>
        <translation>&amp;Blur</translation>
    </message>
    <message>
        <source>Blur &amp;More</source>
        <translation>Blur &amp;More</translation>
    </message>
    <message>
        <source>&amp;Soften</source>
        <translation>&amp;Soften</translation>
    </message>
    <message>
        <source>Soften M&amp;ore</source>
        <translation>Soften M&amp;ore</translation>
    </message>
    <message>
        <source>S&amp;harpen</source>
        <translation>S&amp;harpen</translation>
    </message>
    <message>
        <source>Sharpen Mo&amp;re</source>
        <translation>Sharpen Mo&amp;re</translation>
    </message>
    <message>
        <source>&amp;Unsharp</source>
        <translation>&amp;Unsharp</translation>
    </message>
    <message>
        <source>&amp;Emboss</source>
        <translation>&amp;Emboss</translation>
    </message>
    <message>
        <source>&amp;Aply filter</source>
        <translation>&amp;Apply filter</translation>
    </message>
    <message>
        <source>&amp;Revert to original</source>
        <translation>&amp;Revert to original</translation>
    </message>
    <message>
        <source>&amp;Date</source>
        <translation>&amp;Date</translation>
    </message>
    <message>
        <source>&amp;Show Date</source>
        <translation>&amp;Show Date</translation>
    </message>
    <message>
        <source>Date S&amp;tyle</source>
        <translation>Date S&amp;tyle</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The settings could not be saved in %1: %2.</source>
        <translation>The settings could not be saved in %1: %2.</translation>
    </message>
    <message>
        <source>There is not enough memory for this photo.</source>
        <translation>There is not enough memory for this photo.</translation>
    </message>
    <message>
        <source>Open a photo first.</source>
        <translation>Open a photo first.</translation>
    </message>
    <message>
        <source>The picture is on the clipboard.</source>
        <translation>The picture is on the clipboard.</translation>
    </message>
    <message>
        <source>The picture could not be put on the clipboard.</source>
        <translation>The picture could not be put on the clipboard.</translation>
    </message>
    <message>
        <source>Sauvegarder</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1: %2.</source>
        <translation>The picture could not be saved as %1: %2.</translation>
    </message>
    <message>
        <source>Saved %1 to %2</source>
        <translation>Saved %1 to %2</translation>
    </message>
    <message>
        <source>%1 already holds %2, which was not saved from this photo.

Replace it, or keep both and save this photo as %3?</source>
        <translation>%1 already holds %2, which was not saved from this photo.

Replace it, or keep both and save this photo as %3?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>Keep both</source>
        <translation>Keep both</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 was not saved</source>
        <translation>%1 was not saved</translation>
    </message>
    <message>
        <source>Saved %1 and its thumbnail to %2</source>
        <translation>Saved %1 and its thumbnail to %2</translation>
    </message>
    <message>
        <source>Stamp: %1 (%2)</source>
        <translation>Stamp: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>OutputOptionsBox</name>
    <message>
        <source>JPG Quality :</source>
        <translation>JPG Quality :</translation>
    </message>
    <message>
        <source>Create thumbnail</source>
        <translation>Create thumbnail</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>JPG Quality : </source>
        <translation>JPG Quality : </translation>
    </message>
</context>
<context>
    <name>PreviewPane</name>
    <message>
        <source>position : %1 - %2</source>
        <translation>position : %1 - %2</translation>
    </message>
</context>
<context>
    <name>QFileDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
</context>
<context>
    <name>StampAnchoring</name>
    <message>
        <source>top-left</source>
        <translation>top-left</translation>
    </message>
    <message>
        <source>top</source>
        <translation>top</translation>
    </message>
    <message>
        <source>top-right</source>
        <translation>top-right</translation>
    </message>
    <message>
        <source>left</source>
        <translation>left</translation>
    </message>
    <message>
        <source>centre</source>
        <translation>centre</translation>
    </message>
    <message>
        <source>right</source>
        <translation>right</translation>
    </message>
    <message>
        <source>bottom-left</source>
        <translation>bottom-left</translation>
    </message>
    <message>
        <source>bottom</source>
        <translation>bottom</translation>
    </message>
    <message>
        <source>bottom-right</source>
        <translation>bottom-right</translation>
    </message>
</context>
<context>
    <name>StandardDialogs</name>
    <message>
        <source>All Files (*.*)</source>
        <translation>All Files (*.*)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The settings beside the program could not be copied to %1: %2.</source>
        <translation>The settings beside the program could not be copied to %1: %2.</translation>
    </message>
</context>
</TS>
