<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
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
        <source>Executable   :</source>
        <translation>Exécutable   :</translation>
    </message>
    <message>
        <source>Copyright    :</source>
        <translation>Copyright    :</translation>
    </message>
    <message>
        <source>Organisation :</source>
        <translation>Organisation :</translation>
    </message>
    <message>
        <source>Image Processor and JPG save by</source>
        <translation>Traitement d&apos;image et JPG par</translation>
    </message>
    <message>
        <source>Extract EXIF info by</source>
        <translation>Lecture des informations EXIF par</translation>
    </message>
</context>
<context>
    <name>BatchDialog</name>
    <message>
        <source>Batch Transform</source>
        <translation>Traitement par lot</translation>
    </message>
    <message>
        <source>Transform All Files in sub-folder with current options</source>
        <translation>Traiter tous les fichiers des sous-dossiers avec les options actuelles</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Destination</translation>
    </message>
    <message>
        <source>Choose a folder</source>
        <translation>Choisir un dossier</translation>
    </message>
    <message>
        <source>Apply Filter</source>
        <translation>Appliquer le filtre</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Lancer</translation>
    </message>
    <message>
        <source>Skip photos already saved</source>
        <translation>Passer les photos déjà enregistrées</translation>
    </message>
    <message>
        <source>Include all sub-folders</source>
        <translation>Inclure tous les sous-dossiers</translation>
    </message>
    <message>
        <source>Replace files not written by Quillon</source>
        <translation>Remplacer les fichiers que Quillon n&apos;a pas écrits</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
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
        <translation>%1 dans 1 dossier</translation>
    </message>
    <message>
        <source>%1 in %2 folders</source>
        <translation>%1 dans %2 dossiers</translation>
    </message>
    <message>
        <source>%1 (%2 saved already)</source>
        <translation>%1 (déjà enregistrées : %2)</translation>
    </message>
    <message>
        <source>%1, not the %2 in the folder itself</source>
        <translation>%1, sans celles du dossier lui-même (%2)</translation>
    </message>
    <message>
        <source>Source: %1 — %2</source>
        <translation>Source : %1 — %2</translation>
    </message>
    <message>
        <source>Stopping after the photos under way...</source>
        <translation>Arrêt après les photos en cours...</translation>
    </message>
    <message>
        <source>Looking for photos...</source>
        <translation>Recherche des photos...</translation>
    </message>
    <message>
        <source>check &quot;%1&quot; to replace it</source>
        <translation>cochez « %1 » pour le remplacer</translation>
    </message>
    <message>
        <source>No photo was treated.</source>
        <translation>Aucune photo n&apos;a été traitée.</translation>
    </message>
    <message>
        <source>The batch stopped: %1
%2</source>
        <translation>Le traitement par lot s&apos;est arrêté : %1
%2</translation>
    </message>
    <message>
        <source>1 note on the photos written.</source>
        <translation>1 remarque sur les photos enregistrées.</translation>
    </message>
    <message>
        <source>%1 notes on the photos written.</source>
        <translation>%1 remarques sur les photos enregistrées.</translation>
    </message>
    <message>
        <source>0 of %1 photos done</source>
        <translation>0 sur %1 photos traitées</translation>
    </message>
    <message>
        <source>%1 of %2 photos done: %3%4</source>
        <translation>%1 sur %2 photos traitées : %3%4</translation>
    </message>
    <message>
        <source> (skipped)</source>
        <translation> (passée)</translation>
    </message>
</context>
<context>
    <name>BatchReport</name>
    <message>
        <source>%1 of %2 photos treated</source>
        <translation>%1 sur %2 photos traitées</translation>
    </message>
    <message>
        <source>, %1 skipped</source>
        <translation>, passées : %1</translation>
    </message>
    <message>
        <source>, %1 failed</source>
        <translation>, en échec : %1</translation>
    </message>
    <message>
        <source>; 1 entry passed over</source>
        <translation>; 1 entrée écartée</translation>
    </message>
    <message>
        <source>; %1 entries passed over</source>
        <translation>; entrées écartées : %1</translation>
    </message>
    <message>
        <source>; stopped before the end</source>
        <translation>; arrêté avant la fin</translation>
    </message>
</context>
<context>
    <name>DateStyleDialog</name>
    <message>
        <source>Date Position and Style</source>
        <translation>Position et style de la date</translation>
    </message>
    <message>
        <source>Change Font</source>
        <translation>Changer la police</translation>
    </message>
    <message>
        <source>Color ONE</source>
        <translation>Couleur UN</translation>
    </message>
    <message>
        <source>Color TWO</source>
        <translation>Couleur DEUX</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Horizontale</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Verticale</translation>
    </message>
    <message>
        <source>Stamp height</source>
        <translation>Hauteur du tampon</translation>
    </message>
    <message>
        <source> % of the photo</source>
        <translation> % de la photo</translation>
    </message>
    <message>
        <source>Anchor</source>
        <translation>Ancrage</translation>
    </message>
    <message>
        <source>where it is dragged</source>
        <translation>là où il est déposé</translation>
    </message>
    <message>
        <source>Margin</source>
        <translation>Marge</translation>
    </message>
    <message>
        <source>Clock shift</source>
        <translation>Décalage de l&apos;horloge</translation>
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
        <source>No date in the photo</source>
        <translation>Photo sans date</translation>
    </message>
    <message>
        <source>no stamp</source>
        <translation>pas de tampon</translation>
    </message>
    <message>
        <source>the file&apos;s modification time</source>
        <translation>l&apos;heure de modification du fichier</translation>
    </message>
    <message>
        <source>the date in the file name</source>
        <translation>la date du nom de fichier</translation>
    </message>
    <message>
        <source>the file name&apos;s date, else the file&apos;s time</source>
        <translation>la date du nom de fichier, sinon l&apos;heure du fichier</translation>
    </message>
    <message>
        <source>Text offset from its shadow:</source>
        <translation>Décalage du texte par rapport à son ombre :</translation>
    </message>
    <message>
        <source>Format help</source>
        <translation>Aide sur le format</translation>
    </message>
    <message>
        <source>The font %1 is not installed; %2 is used instead.</source>
        <translation>La police %1 n&apos;est pas installée ; %2 est utilisée à la place.</translation>
    </message>
</context>
<context>
    <name>DesktopLauncher</name>
    <message>
        <source>An error occurred whilst trying to open or print the selected file.</source>
        <translation>Une erreur s&apos;est produite lors de l&apos;ouverture ou de l&apos;impression du fichier sélectionné.</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Fichier introuvable</translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Chemin introuvable</translation>
    </message>
    <message>
        <source>Path/file access error</source>
        <translation>Erreur d&apos;accès au chemin ou au fichier</translation>
    </message>
    <message>
        <source>The executable file is invalid or corrupt</source>
        <translation>Le fichier exécutable n&apos;est pas valide ou est endommagé</translation>
    </message>
    <message>
        <source>A sharing violation occurred.</source>
        <translation>Une violation de partage s&apos;est produite.</translation>
    </message>
    <message>
        <source>This file type does not have a valid file association.</source>
        <translation>Ce type de fichier n&apos;a pas d&apos;association de fichier valide.</translation>
    </message>
    <message>
        <source>The file could not be opened due to time out.  Please try again in a moment.</source>
        <translation>Le fichier n&apos;a pas pu être ouvert : le délai d&apos;attente est dépassé.  Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>The file could not be opened because the DDE transaction failed.  Please try again in a moment.</source>
        <translation>Le fichier n&apos;a pas pu être ouvert car la transaction DDE a échoué.  Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>The file could not be opened because the target application is busy.  Please try again in a moment.</source>
        <translation>Le fichier n&apos;a pas pu être ouvert car l&apos;application cible est occupée.  Veuillez réessayer dans un instant.</translation>
    </message>
    <message>
        <source>No application is associated with this file type.</source>
        <translation>Aucune application n&apos;est associée à ce type de fichier.</translation>
    </message>
    <message>
        <source>The specified dynamic-link library was not found.</source>
        <translation>La bibliothèque de liens dynamiques indiquée est introuvable.</translation>
    </message>
    <message>
        <source>Error %1<byte value="xd"/>
%2</source>
        <translation>Erreur %1<byte value="xd"/>
%2</translation>
    </message>
</context>
<context>
    <name>DriveList</name>
    <message>
        <source>Home</source>
        <translation>Dossier personnel</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Images</translation>
    </message>
</context>
<context>
    <name>ExifWindow</name>
    <message>
        <source>EXIF INFO</source>
        <translation>INFOS EXIF</translation>
    </message>
    <message>
        <source>&amp;Raw values</source>
        <translation>Valeurs &amp;brutes</translation>
    </message>
    <message>
        <source>The values as the photo stores them</source>
        <translation>Les valeurs telles que la photo les enregistre</translation>
    </message>
</context>
<context>
    <name>FormatHelpDialog</name>
    <message>
        <source>Format help</source>
        <translation>Aide sur le format</translation>
    </message>
    <message>
        <source>The date format is typed with these letters, in either case; any other character is printed as it is. Examples are for %1.</source>
        <translation>Le format de la date s&apos;écrit avec ces lettres, en majuscules ou en minuscules ; tout autre caractère est imprimé tel quel. Les exemples sont pour %1.</translation>
    </message>
    <message>
        <source>Write</source>
        <translation>Écrire</translation>
    </message>
    <message>
        <source>Meaning</source>
        <translation>Signification</translation>
    </message>
    <message>
        <source>Example</source>
        <translation>Exemple</translation>
    </message>
    <message>
        <source>Template fields</source>
        <translation>Champs du modèle</translation>
    </message>
    <message>
        <source>day of the month</source>
        <translation>jour du mois</translation>
    </message>
    <message>
        <source>day of the month, two digits</source>
        <translation>jour du mois, sur deux chiffres</translation>
    </message>
    <message>
        <source>day of the week, short</source>
        <translation>jour de la semaine, abrégé</translation>
    </message>
    <message>
        <source>day of the week</source>
        <translation>jour de la semaine</translation>
    </message>
    <message>
        <source>the date, short</source>
        <translation>la date, courte</translation>
    </message>
    <message>
        <source>the date, long</source>
        <translation>la date, longue</translation>
    </message>
    <message>
        <source>day of the week as a number, Sunday 1</source>
        <translation>jour de la semaine en chiffre, dimanche 1</translation>
    </message>
    <message>
        <source>week of the year, the one holding 1 January first</source>
        <translation>semaine de l&apos;année, la première étant celle du 1er janvier</translation>
    </message>
    <message>
        <source>month</source>
        <translation>mois</translation>
    </message>
    <message>
        <source>month, two digits</source>
        <translation>mois, sur deux chiffres</translation>
    </message>
    <message>
        <source>month&apos;s name, short</source>
        <translation>nom du mois, abrégé</translation>
    </message>
    <message>
        <source>month&apos;s name</source>
        <translation>nom du mois</translation>
    </message>
    <message>
        <source>quarter of the year</source>
        <translation>trimestre de l&apos;année</translation>
    </message>
    <message>
        <source>day of the year</source>
        <translation>jour de l&apos;année</translation>
    </message>
    <message>
        <source>year, two digits</source>
        <translation>année, sur deux chiffres</translation>
    </message>
    <message>
        <source>year</source>
        <translation>année</translation>
    </message>
    <message>
        <source>hour</source>
        <translation>heure</translation>
    </message>
    <message>
        <source>hour, two digits</source>
        <translation>heure, sur deux chiffres</translation>
    </message>
    <message>
        <source>minute</source>
        <translation>minute</translation>
    </message>
    <message>
        <source>minute, two digits</source>
        <translation>minute, sur deux chiffres</translation>
    </message>
    <message>
        <source>m or mm right after an hour is minutes</source>
        <translation>m ou mm juste après une heure désigne les minutes</translation>
    </message>
    <message>
        <source>second</source>
        <translation>seconde</translation>
    </message>
    <message>
        <source>second, two digits</source>
        <translation>seconde, sur deux chiffres</translation>
    </message>
    <message>
        <source>the time</source>
        <translation>l&apos;heure</translation>
    </message>
    <message>
        <source>the date and the time</source>
        <translation>la date et l&apos;heure</translation>
    </message>
    <message>
        <source>12-hour clock, AM or PM in the case typed; also a/p</source>
        <translation>horloge de 12 heures, AM ou PM dans la casse tapée ; aussi a/p</translation>
    </message>
    <message>
        <source>12-hour clock, the language&apos;s own AM and PM</source>
        <translation>horloge de 12 heures, avec le AM et le PM de la langue</translation>
    </message>
    <message>
        <source>the language&apos;s date separator</source>
        <translation>le séparateur de date de la langue</translation>
    </message>
    <message>
        <source>the language&apos;s time separator</source>
        <translation>le séparateur d&apos;heure de la langue</translation>
    </message>
    <message>
        <source>the character after \, as it is</source>
        <translation>le caractère qui suit \, tel quel</translation>
    </message>
    <message>
        <source>text in double quotes, as it is</source>
        <translation>le texte entre guillemets droits, tel quel</translation>
    </message>
</context>
<context>
    <name>MainMenuBar</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>Save as &amp;BMP</source>
        <translation>Enregistrer en &amp;BMP</translation>
    </message>
    <message>
        <source>Save as &amp;JPG</source>
        <translation>Enregistrer en &amp;JPG</translation>
    </message>
    <message>
        <source>Ba&amp;tch Save ...</source>
        <translation>Enregistrement par &amp;lot ...</translation>
    </message>
    <message>
        <source>Get &amp;EXIF info</source>
        <translation>Infos &amp;EXIF</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>Ed&amp;it</source>
        <translation>&amp;Édition</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copier</translation>
    </message>
    <message>
        <source>&amp;Size</source>
        <translation>&amp;Taille</translation>
    </message>
    <message>
        <source>&amp;25%</source>
        <translation>&amp;25 %</translation>
    </message>
    <message>
        <source>&amp;37.5%</source>
        <translation>&amp;37,5 %</translation>
    </message>
    <message>
        <source>&amp;50%</source>
        <translation>&amp;50 %</translation>
    </message>
    <message>
        <source>&amp;62.5%</source>
        <translation>&amp;62,5 %</translation>
    </message>
    <message>
        <source>&amp;80%</source>
        <translation>&amp;80 %</translation>
    </message>
    <message>
        <source>&amp;100%</source>
        <translation>&amp;100 %</translation>
    </message>
    <message>
        <source>&amp;Effect</source>
        <translation>&amp;Effet</translation>
    </message>
    <message>
        <source>&amp;Lighten</source>
        <translation>É&amp;claircir</translation>
    </message>
    <message>
        <source>&amp;Darken</source>
        <translation>Ass&amp;ombrir</translation>
    </message>
    <message>
        <source>Grey &amp;scale</source>
        <translation>Niveaux de &amp;gris</translation>
    </message>
    <message>
        <source>Se&amp;pia</source>
        <translation>Sé&amp;pia</translation>
    </message>
    <message>
        <source>&amp;Grain</source>
        <translation>Grai&amp;n</translation>
    </message>
    <message>
        <source>Select &amp;filter</source>
        <translation>Choisir le &amp;filtre</translation>
    </message>
    <message>
        <source>&amp;Blur</source>
        <translation>&amp;Flou</translation>
    </message>
    <message>
        <source>Blur &amp;More</source>
        <translation>Flou &amp;renforcé</translation>
    </message>
    <message>
        <source>&amp;Soften</source>
        <translation>&amp;Adoucir</translation>
    </message>
    <message>
        <source>Soften M&amp;ore</source>
        <translation>Adoucir &amp;davantage</translation>
    </message>
    <message>
        <source>S&amp;harpen</source>
        <translation>&amp;Netteté</translation>
    </message>
    <message>
        <source>Sharpen Mo&amp;re</source>
        <translation>Netteté renf&amp;orcée</translation>
    </message>
    <message>
        <source>&amp;Unsharp</source>
        <translation>&amp;Masque flou</translation>
    </message>
    <message>
        <source>&amp;Emboss</source>
        <translation>&amp;Estampage</translation>
    </message>
    <message>
        <source>&amp;Apply filter</source>
        <translation>&amp;Appliquer le filtre</translation>
    </message>
    <message>
        <source>&amp;Revert to original</source>
        <translation>&amp;Revenir à l&apos;original</translation>
    </message>
    <message>
        <source>&amp;Date</source>
        <translation>&amp;Date</translation>
    </message>
    <message>
        <source>&amp;Show Date</source>
        <translation>&amp;Afficher la date</translation>
    </message>
    <message>
        <source>Date S&amp;tyle</source>
        <translation>&amp;Style de la date</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>&amp;Ouvrir...</translation>
    </message>
    <message>
        <source>Open &amp;Folder...</source>
        <translation>Ouvrir un &amp;dossier...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>&amp;Fit in Window</source>
        <translation>&amp;Ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>&amp;100 %</source>
        <translation>&amp;100 %</translation>
    </message>
    <message>
        <source>Zoom &amp;In</source>
        <translation>&amp;Zoom avant</translation>
    </message>
    <message>
        <source>Zoom &amp;Out</source>
        <translation>Zoom a&amp;rrière</translation>
    </message>
    <message>
        <source>&amp;Thumbnails in File List</source>
        <translation>&amp;Miniatures dans la liste des fichiers</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;ide</translation>
    </message>
    <message>
        <source>Date &amp;Format...</source>
        <translation>&amp;Format de date...</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>The settings could not be saved in %1: %2.</source>
        <translation>Les réglages n&apos;ont pas pu être enregistrés dans %1 : %2.</translation>
    </message>
    <message>
        <source>Stamp: %1 (%2)</source>
        <translation>Tampon : %1 (%2)</translation>
    </message>
    <message>
        <source>There is not enough memory for this photo.</source>
        <translation>La mémoire ne suffit pas pour cette photo.</translation>
    </message>
    <message>
        <source>Open a photo first.</source>
        <translation>Ouvrez d&apos;abord une photo.</translation>
    </message>
    <message>
        <source>The picture is on the clipboard.</source>
        <translation>L&apos;image est dans le presse-papiers.</translation>
    </message>
    <message>
        <source>The picture could not be put on the clipboard.</source>
        <translation>L&apos;image n&apos;a pas pu être mise dans le presse-papiers.</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sauvegarder</translation>
    </message>
    <message>
        <source>BMP pictures</source>
        <translation>Images BMP</translation>
    </message>
    <message>
        <source>The picture could not be saved as %1: %2.</source>
        <translation>L&apos;image n&apos;a pas pu être enregistrée sous %1 : %2.</translation>
    </message>
    <message>
        <source>Saved %1 to %2</source>
        <translation>%1 enregistré dans %2</translation>
    </message>
    <message>
        <source>%1 already holds %2, an output Quillon saved from another photo.</source>
        <translation>%1 contient déjà %2, une sortie que Quillon a enregistrée à partir d&apos;une autre photo.</translation>
    </message>
    <message>
        <source>%1 already holds %2, a file Quillon did not write.</source>
        <translation>%1 contient déjà %2, un fichier que Quillon n&apos;a pas écrit.</translation>
    </message>
    <message>
        <source>Replace it, or keep both and save this photo as %1?</source>
        <translation>Le remplacer, ou garder les deux et enregistrer cette photo sous %1 ?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Keep both</source>
        <translation>Garder les deux</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1 was not saved</source>
        <translation>%1 n&apos;a pas été enregistré</translation>
    </message>
    <message>
        <source>Saved %1 to %2 and its thumbnail to %3</source>
        <translation>%1 enregistré dans %2 et sa miniature dans %3</translation>
    </message>
    <message>
        <source>Fit: %1</source>
        <translation>Ajusté : %1</translation>
    </message>
    <message>
        <source>%1 is not a photo Quillon opens.</source>
        <translation>%1 n&apos;est pas une photo que Quillon sait ouvrir.</translation>
    </message>
    <message>
        <source>The folder %1 cannot be read.</source>
        <translation>Le dossier %1 ne peut pas être lu.</translation>
    </message>
    <message>
        <source>Photos</source>
        <translation>Photos</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir un dossier</translation>
    </message>
</context>
<context>
    <name>OutputOptionsBox</name>
    <message>
        <source>JPG Quality :</source>
        <translation>Qualité JPG :</translation>
    </message>
    <message>
        <source>Create thumbnail</source>
        <translation>Miniature</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Largeur</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Hauteur</translation>
    </message>
    <message>
        <source>JPG Quality : </source>
        <translation>Qualité JPG : </translation>
    </message>
    <message>
        <source>Stamp only —
keep the photo&apos;s quality</source>
        <translation>Tampon seul —
garder la qualité de la photo</translation>
    </message>
    <message>
        <source>A JPEG photo is saved as it is, at its own size and not turned, with only the few blocks under the date stamp changed. Other photos are saved the usual way.</source>
        <translation>Une photo JPEG est enregistrée telle quelle, à sa taille et sans rotation : seuls les quelques blocs sous le tampon de la date changent. Les autres photos sont enregistrées comme d&apos;habitude.</translation>
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
        <translation>%1 existe déjà.
Voulez-vous le remplacer ?</translation>
    </message>
</context>
<context>
    <name>StampAnchoring</name>
    <message>
        <source>top-left</source>
        <translation>en haut à gauche</translation>
    </message>
    <message>
        <source>top</source>
        <translation>en haut</translation>
    </message>
    <message>
        <source>top-right</source>
        <translation>en haut à droite</translation>
    </message>
    <message>
        <source>left</source>
        <translation>à gauche</translation>
    </message>
    <message>
        <source>centre</source>
        <translation>au centre</translation>
    </message>
    <message>
        <source>right</source>
        <translation>à droite</translation>
    </message>
    <message>
        <source>bottom-left</source>
        <translation>en bas à gauche</translation>
    </message>
    <message>
        <source>bottom</source>
        <translation>en bas</translation>
    </message>
    <message>
        <source>bottom-right</source>
        <translation>en bas à droite</translation>
    </message>
</context>
<context>
    <name>StampLookBox</name>
    <message>
        <source>Classic</source>
        <translation>Classique</translation>
    </message>
    <message>
        <source>Film camera</source>
        <translation>Appareil argentique</translation>
    </message>
    <message>
        <source>Outline</source>
        <translation>Contour</translation>
    </message>
    <message>
        <source>Caption strip</source>
        <translation>Bandeau de légende</translation>
    </message>
    <message>
        <source>Shadow</source>
        <translation>Ombre</translation>
    </message>
    <message>
        <source>Glow</source>
        <translation>Halo</translation>
    </message>
    <message>
        <source>Look</source>
        <translation>Aspect</translation>
    </message>
    <message>
        <source>Auto-contrast: light or dark by the photo</source>
        <translation>Contraste automatique : clair ou foncé selon la photo</translation>
    </message>
    <message>
        <source>Caption strip below the photo</source>
        <translation>Bandeau de légende sous la photo</translation>
    </message>
    <message>
        <source>Strip colour...</source>
        <translation>Couleur du bandeau...</translation>
    </message>
    <message>
        <source>Choose a preset</source>
        <translation>Choisir un préréglage</translation>
    </message>
    <message>
        <source> % of the shorter side</source>
        <translation> % du plus petit côté</translation>
    </message>
    <message>
        <source>Preset:</source>
        <translation>Préréglage :</translation>
    </message>
    <message>
        <source>Drawn with:</source>
        <translation>Dessiné avec :</translation>
    </message>
</context>
<context>
    <name>StampPlacement</name>
    <message>
        <source>date from XMP</source>
        <translation>date du XMP</translation>
    </message>
    <message>
        <source>date from the file name</source>
        <translation>date du nom de fichier</translation>
    </message>
    <message>
        <source>date from the file&apos;s modification time</source>
        <translation>date de modification du fichier</translation>
    </message>
</context>
<context>
    <name>StampTemplate</name>
    <message>
        <source>the date, in the stored format or in {date:FORMAT}</source>
        <translation>la date, au format enregistré ou dans {date:FORMAT}</translation>
    </message>
    <message>
        <source>the camera&apos;s make and model</source>
        <translation>la marque et le modèle de l&apos;appareil</translation>
    </message>
    <message>
        <source>the lens model</source>
        <translation>le modèle de l&apos;objectif</translation>
    </message>
    <message>
        <source>the exposure time: 1/250, 0.5, 2&quot;</source>
        <translation>le temps de pose : 1/250, 0.5, 2&quot;</translation>
    </message>
    <message>
        <source>the f-number: 2.8</source>
        <translation>l&apos;ouverture : 2.8</translation>
    </message>
    <message>
        <source>the ISO speed: 200</source>
        <translation>la sensibilité ISO : 200</translation>
    </message>
    <message>
        <source>the focal length: 4.2 mm</source>
        <translation>la focale : 4.2 mm</translation>
    </message>
    <message>
        <source>the photo&apos;s file name</source>
        <translation>le nom du fichier de la photo</translation>
    </message>
    <message>
        <source>the name of the photo&apos;s folder</source>
        <translation>le nom du dossier de la photo</translation>
    </message>
    <message>
        <source>the picture&apos;s size in pixels: 4000x3000</source>
        <translation>la taille de l&apos;image en pixels : 4000x3000</translation>
    </message>
    <message>
        <source>prints the text after | when the photo lacks the field</source>
        <translation>imprime le texte après | quand la photo n&apos;a pas ce champ</translation>
    </message>
    <message>
        <source>the date in a format of its own</source>
        <translation>la date dans un format à elle</translation>
    </message>
    <message>
        <source>left out unless every field in it has a value</source>
        <translation>omis sauf si chacun de ses champs a une valeur</translation>
    </message>
    <message>
        <source>a new line; a line whose fields are all missing is left out</source>
        <translation>une nouvelle ligne ; une ligne dont tous les champs manquent est omise</translation>
    </message>
    <message>
        <source>the character itself</source>
        <translation>le caractère lui-même</translation>
    </message>
</context>
<context>
    <name>StampTemplateBox</name>
    <message>
        <source>Text</source>
        <translation>Texte</translation>
    </message>
    <message>
        <source>Insert field</source>
        <translation>Insérer un champ</translation>
    </message>
    <message>
        <source>{camera}: a field, from Insert field</source>
        <translation>{camera} : un champ, depuis Insérer un champ</translation>
    </message>
    <message>
        <source>Not a template: %1</source>
        <translation>Pas un modèle : %1</translation>
    </message>
</context>
<context>
    <name>StandardDialogs</name>
    <message>
        <source>All Files (*.*)</source>
        <translation>Tous les fichiers (*.*)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The settings beside the program could not be copied to %1: %2.</source>
        <translation>Les réglages placés à côté du programme n&apos;ont pas pu être copiés dans %1 : %2.</translation>
    </message>
</context>
</TS>
