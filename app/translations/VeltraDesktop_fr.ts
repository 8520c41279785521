<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AboutWindow</name>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
</context>
<context>
    <name>AddDiveDialog</name>
    <message>
        <source>Add dive</source>
        <translation>Ajouter une plongée</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>not known</source>
        <translation>inconnue</translation>
    </message>
    <message>
        <source> % O2</source>
        <translation> % O2</translation>
    </message>
    <message>
        <source> % He</source>
        <translation> % He</translation>
    </message>
    <message>
        <source> L</source>
        <translation> L</translation>
    </message>
    <message>
        <source>Names separated by commas</source>
        <translation>Noms séparés par des virgules</translation>
    </message>
    <message>
        <source>Words separated by commas</source>
        <translation>Mots séparés par des virgules</translation>
    </message>
    <message>
        <source> / 5</source>
        <translation> / 5</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Maximum depth</source>
        <translation>Profondeur maximale</translation>
    </message>
    <message>
        <source>Mean depth</source>
        <translation>Profondeur moyenne</translation>
    </message>
    <message>
        <source>Oxygen</source>
        <translation>Oxygène</translation>
    </message>
    <message>
        <source>Helium</source>
        <translation>Hélium</translation>
    </message>
    <message>
        <source>Cylinder size</source>
        <translation>Volume de la bouteille</translation>
    </message>
    <message>
        <source>Start pressure</source>
        <translation>Pression de début</translation>
    </message>
    <message>
        <source>End pressure</source>
        <translation>Pression de fin</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Buddies</source>
        <translation>Binômes</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>Working pressure</source>
        <translation>Pression de service</translation>
    </message>
</context>
<context>
    <name>BinaryDiveFile</name>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d&apos;ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Impossible de lire %1 : %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>Binary dive files cannot be written</source>
        <translation>Les fichiers de plongée binaires ne peuvent pas être écrits</translation>
    </message>
</context>
<context>
    <name>CatalogueConfig</name>
    <message>
        <source>The catalogue host &quot;%1&quot; is not an https host</source>
        <translation>L&apos;hôte du catalogue « %1 » n&apos;est pas un hôte https</translation>
    </message>
    <message>
        <source>%1 is readable by other users; it is ignored</source>
        <translation>%1 est lisible par d&apos;autres utilisateurs ; il est ignoré</translation>
    </message>
    <message>
        <source>%1 is not a credentials file</source>
        <translation>%1 n&apos;est pas un fichier d&apos;identifiants</translation>
    </message>
</context>
<context>
    <name>ComputerActions</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>The Bluetooth link cannot be created</source>
        <translation>La liaison Bluetooth ne peut pas être créée</translation>
    </message>
    <message>
        <source>Computer Connected</source>
        <translation>Ordinateur connecté</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Micrologiciel</translation>
    </message>
    <message>
        <source>Serial </source>
        <translation>N° de série </translation>
    </message>
    <message>
        <source>Mode </source>
        <translation>Mode </translation>
    </message>
    <message>
        <source>No computer connected</source>
        <translation>Aucun ordinateur connecté</translation>
    </message>
    <message>
        <source>The computer is not connected</source>
        <translation>L&apos;ordinateur n&apos;est pas connecté</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Attention</translation>
    </message>
    <message>
        <source>The computer is in Bootloader mode</source>
        <translation>L&apos;ordinateur est en mode de mise à jour (bootloader)</translation>
    </message>
    <message>
        <source>Set owner</source>
        <translation>Définir le propriétaire</translation>
    </message>
    <message>
        <source>Owner name</source>
        <translation>Nom du propriétaire</translation>
    </message>
    <message>
        <source>The owner name cannot be read: %1</source>
        <translation>Le nom du propriétaire ne peut pas être lu : %1</translation>
    </message>
    <message>
        <source>Close Connection</source>
        <translation>Fermer la connexion</translation>
    </message>
    <message>
        <source>Reset Computer</source>
        <translation>Réinitialiser l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Disconnect Computer</source>
        <translation>Déconnecter l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Disconnect the computer?</source>
        <translation>Déconnecter l&apos;ordinateur ?</translation>
    </message>
    <message>
        <source>Computer Disconnected</source>
        <translation>Ordinateur déconnecté</translation>
    </message>
    <message>
        <source>Service Error: </source>
        <translation>Erreur de service : </translation>
    </message>
    <message>
        <source>Demo: restart in normal mode</source>
        <translation>Démo : redémarrer en mode normal</translation>
    </message>
    <message>
        <source>Demo: restart in firmware mode</source>
        <translation>Démo : redémarrer en mode micrologiciel</translation>
    </message>
    <message>
        <source>Export dive %1</source>
        <translation>Exporter la plongée %1</translation>
    </message>
    <message>
        <source>UDDF files (*.uddf);;CSV files (*.csv)</source>
        <translation>Fichiers UDDF (*.uddf);;Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>Dive %1 not exported: %2</source>
        <translation>Plongée %1 non exportée : %2</translation>
    </message>
    <message>
        <source>The owner name is too long: the computer keeps at most %1 bytes (%2 given; letters with accents count 2).</source>
        <translation>Le nom du propriétaire est trop long : l&apos;ordinateur en garde au plus %1 octets (%2 saisis ; une lettre accentuée compte pour 2).</translation>
    </message>
    <message>
        <source>The owner name was not sent to the computer</source>
        <translation>Le nom du propriétaire n&apos;a pas été envoyé à l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Reset restarts the dive computer and ends the connection. What the computer itself clears depends on its firmware (see its manual): download new dives first. Dives already in the logbook are not touched.

Reset the computer now?</source>
        <translation>La réinitialisation redémarre l&apos;ordinateur de plongée et met fin à la connexion. Ce que l&apos;ordinateur efface lui-même dépend de son micrologiciel (voir son manuel) : téléchargez d&apos;abord les nouvelles plongées. Les plongées déjà dans le carnet ne sont pas touchées.

Réinitialiser l&apos;ordinateur maintenant ?</translation>
    </message>
    <message>
        <source>Dives not stored</source>
        <translation>Plongées non enregistrées</translation>
    </message>
    <message>
        <source>Save link log</source>
        <translation>Enregistrer le journal de liaison</translation>
    </message>
    <message>
        <source>No link log is kept.</source>
        <translation>Aucun journal de liaison n&apos;est tenu.</translation>
    </message>
    <message>
        <source>Log files (*.log *.txt)</source>
        <translation>Fichiers journaux (*.log *.txt)</translation>
    </message>
    <message>
        <source>The link log was not saved: %1</source>
        <translation>Le journal de liaison n&apos;a pas été enregistré : %1</translation>
    </message>
</context>
<context>
    <name>Contingency</name>
    <message>
        <source>Without %1</source>
        <translation>Sans %1</translation>
    </message>
    <message>
        <source>%1 deeper, %2 min longer</source>
        <translation>%1 plus profond, %2 min plus long</translation>
    </message>
    <message>
        <source>Cylinder %1 (%2) cannot cover the contingency &quot;%3&quot;: it needs %4, the cylinder holds %5.</source>
        <translation>Le bloc %1 (%2) ne couvre pas le cas « %3 » : il faut %4, le bloc en contient %5.</translation>
    </message>
</context>
<context>
    <name>CsvFile</name>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d&apos;ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>%1 is too large for a dive file.</source>
        <translation>%1 est trop volumineux pour un fichier de plongée.</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Impossible de lire %1 : %2</translation>
    </message>
    <message>
        <source>%1 holds no dive sample line (20 tab-separated numbers).</source>
        <translation>%1 ne contient aucune ligne d&apos;échantillon de plongée (20 nombres séparés par des tabulations).</translation>
    </message>
    <message>
        <source>Cannot create %1: %2</source>
        <translation>Impossible de créer %1 : %2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>Impossible d&apos;écrire %1 : %2</translation>
    </message>
    <message numerus="yes">
        <source>%n sample line(s) skipped: a field held no number.</source>
        <translation>
            <numerusform>%n ligne d&apos;échantillon ignorée : un champ ne contenait pas de nombre.</numerusform>
            <numerusform>%n lignes d&apos;échantillon ignorées : un champ ne contenait pas de nombre.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CsvImportDialog</name>
    <message>
        <source>Import CSV: %1</source>
        <translation>Importer un CSV : %1</translation>
    </message>
    <message>
        <source>Time (s)</source>
        <translation>Temps (s)</translation>
    </message>
    <message>
        <source>Depth (m)</source>
        <translation>Profondeur (m)</translation>
    </message>
    <message>
        <source>Temp. (C)</source>
        <translation>Temp. (C)</translation>
    </message>
    <message>
        <source>The file</source>
        <translation>Le fichier</translation>
    </message>
    <message>
        <source>What is read</source>
        <translation>Ce qui est lu</translation>
    </message>
    <message>
        <source>My own columns</source>
        <translation>Mes propres colonnes</translation>
    </message>
    <message>
        <source>Subsurface CSV profile</source>
        <translation>Profil CSV de Subsurface</translation>
    </message>
    <message>
        <source>Subsurface dive list</source>
        <translation>Liste de plongées de Subsurface</translation>
    </message>
    <message>
        <source>Seabear</source>
        <translation>Seabear</translation>
    </message>
    <message>
        <source>Sensus Ultra</source>
        <translation>Sensus Ultra</translation>
    </message>
    <message>
        <source>Layout</source>
        <translation>Disposition</translation>
    </message>
    <message>
        <source>Guess</source>
        <translation>Deviner</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tabulation</translation>
    </message>
    <message>
        <source>Semicolon ;</source>
        <translation>Point-virgule ;</translation>
    </message>
    <message>
        <source>Comma ,</source>
        <translation>Virgule ,</translation>
    </message>
    <message>
        <source>Separator</source>
        <translation>Séparateur</translation>
    </message>
    <message>
        <source>Dot .</source>
        <translation>Point .</translation>
    </message>
    <message>
        <source>Decimal mark</source>
        <translation>Séparateur décimal</translation>
    </message>
    <message>
        <source>Time column</source>
        <translation>Colonne du temps</translation>
    </message>
    <message>
        <source>Depth column</source>
        <translation>Colonne de la profondeur</translation>
    </message>
    <message>
        <source>Temperature column</source>
        <translation>Colonne de la température</translation>
    </message>
    <message>
        <source>Tank pressure column</source>
        <translation>Colonne de la pression bloc</translation>
    </message>
    <message>
        <source>ppO2 column</source>
        <translation>Colonne de la ppO2</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucune</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>secondes</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>minutes:seconds</source>
        <translation>minutes:secondes</translation>
    </message>
    <message>
        <source>Time in</source>
        <translation>Temps en</translation>
    </message>
    <message>
        <source>metres</source>
        <translation>mètres</translation>
    </message>
    <message>
        <source>feet</source>
        <translation>pieds</translation>
    </message>
    <message>
        <source>Depth in</source>
        <translation>Profondeur en</translation>
    </message>
    <message numerus="yes">
        <source>%n dive(s) in the first lines.</source>
        <translation>
            <numerusform>%n plongée dans les premières lignes.</numerusform>
            <numerusform>%n plongées dans les premières lignes.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CsvMapping</name>
    <message>
        <source>cannot read &quot;%1&quot; in the column mapping</source>
        <translation>impossible de lire « %1 » dans la correspondance des colonnes</translation>
    </message>
    <message>
        <source>the column mapping needs depth=COLUMN</source>
        <translation>la correspondance des colonnes doit donner depth=COLONNE</translation>
    </message>
    <message>
        <source>the table has no depth column</source>
        <translation>le tableau n&apos;a pas de colonne de profondeur</translation>
    </message>
    <message>
        <source>the table has no time column and no sample interval</source>
        <translation>le tableau n&apos;a ni colonne de temps ni intervalle d&apos;échantillonnage</translation>
    </message>
    <message>
        <source>no row of the table holds a depth and a time</source>
        <translation>aucune ligne du tableau ne donne une profondeur et un temps</translation>
    </message>
    <message>
        <source>no row of the table holds a dive</source>
        <translation>aucune ligne du tableau ne contient de plongée</translation>
    </message>
    <message>
        <source>a column mapping is for reading only</source>
        <translation>une correspondance de colonnes ne sert qu&apos;à la lecture</translation>
    </message>
</context>
<context>
    <name>CsvReport</name>
    <message>
        <source>not a complete dive report</source>
        <translation>ce n&apos;est pas un rapport de plongée complet</translation>
    </message>
</context>
<context>
    <name>CylindersEditor</name>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>O2</source>
        <translation>O2</translation>
    </message>
    <message>
        <source>He</source>
        <translation>He</translation>
    </message>
    <message>
        <source>Cylinder (L)</source>
        <translation>Bouteille (L)</translation>
    </message>
    <message>
        <source>Start (%1)</source>
        <translation>Début (%1)</translation>
    </message>
    <message>
        <source>End (%1)</source>
        <translation>Fin (%1)</translation>
    </message>
</context>
<context>
    <name>DiveDetails</name>
    <message>
        <source>The dive number must be 0 or more.</source>
        <translation>Le numéro de plongée doit être 0 ou plus.</translation>
    </message>
    <message>
        <source>The rating must be between 0 and 5.</source>
        <translation>La note doit être comprise entre 0 et 5.</translation>
    </message>
    <message>
        <source>The notes are longer than %1 KiB.</source>
        <translation>Les notes dépassent %1 Kio.</translation>
    </message>
    <message>
        <source>The file has a table %1 of another shape than this program&apos;s.</source>
        <translation>Le fichier contient une table %1 dont la structure diffère de celle de ce programme.</translation>
    </message>
    <message>
        <source>No dive number is left.</source>
        <translation>Il ne reste aucun numéro de plongée libre.</translation>
    </message>
    <message>
        <source>No logbook database is open.</source>
        <translation>Aucun carnet de plongée n&apos;est ouvert.</translation>
    </message>
    <message>
        <source>There is no dive %1 in the logbook.</source>
        <translation>Le carnet ne contient pas de plongée %1.</translation>
    </message>
</context>
<context>
    <name>DiveDetailsEditor</name>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>Names separated by commas</source>
        <translation>Noms séparés par des virgules</translation>
    </message>
    <message>
        <source>Words separated by commas</source>
        <translation>Mots séparés par des virgules</translation>
    </message>
    <message>
        <source>Number</source>
        <translation>Numéro</translation>
    </message>
    <message>
        <source>Buddies</source>
        <translation>Binômes</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>Region or place</source>
        <translation>Région ou lieu</translation>
    </message>
</context>
<context>
    <name>DiveLinesIO</name>
    <message>
        <source>Dives cannot be written as &quot;%1&quot; files.</source>
        <translation>Les plongées ne peuvent pas être écrites en fichiers « %1 ».</translation>
    </message>
    <message numerus="yes">
        <source>This file format holds one dive; %n dives were chosen.</source>
        <translation>
            <numerusform>Ce format de fichier contient une seule plongée ; %n plongée a été choisie.</numerusform>
            <numerusform>Ce format de fichier contient une seule plongée ; %n plongées ont été choisies.</numerusform>
        </translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>Impossible de lire %1</translation>
    </message>
    <message>
        <source>%1 holds no dive.</source>
        <translation>%1 ne contient aucune plongée.</translation>
    </message>
    <message>
        <source>UDDF, Subsurface XML, CSV (this program&apos;s, Subsurface, Seabear, Sensus Ultra or mapped columns), Suunto Dive Manager XML, Suunto app JSON, UDCF, Garmin FIT and .divebin</source>
        <translation>UDDF, XML de Subsurface, CSV (de ce programme, de Subsurface, Seabear, Sensus Ultra ou par colonnes choisies), XML de Suunto Dive Manager, JSON de l&apos;application Suunto, UDCF, Garmin FIT et .divebin</translation>
    </message>
    <message>
        <source>Cannot open %1: %2</source>
        <translation>Impossible d&apos;ouvrir %1 : %2</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>Impossible de lire %1 : %2</translation>
    </message>
    <message>
        <source>%1 is too large for a dive file.</source>
        <translation>%1 est trop gros pour un fichier de plongée.</translation>
    </message>
    <message>
        <source>no start date: give --date</source>
        <translation>pas de date de début : indiquez --date</translation>
    </message>
    <message>
        <source>Files read: %1.</source>
        <translation>Fichiers lus : %1.</translation>
    </message>
</context>
<context>
    <name>DiveListView</name>
    <message>
        <source>No name</source>
        <translation>Sans nom</translation>
    </message>
    <message>
        <source>%1 dives</source>
        <translation>%1 plongées</translation>
    </message>
    <message>
        <source>Dive Id</source>
        <translation>Plongée</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Date/Heure</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>N°</translation>
    </message>
    <message>
        <source>%1: no profile, the file gave only the dive&apos;s summary</source>
        <translation>%1 : pas de profil, le fichier ne donnait que le résumé de la plongée</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Buddies</source>
        <translation>Binômes</translation>
    </message>
    <message>
        <source>Rating</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>Tags</source>
        <translation>Étiquettes</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Ordinateur</translation>
    </message>
    <message>
        <source>Gases</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>Lowest temperature</source>
        <translation>Température minimale</translation>
    </message>
    <message>
        <source>Trip</source>
        <translation>Voyage</translation>
    </message>
    <message>
        <source>Air use</source>
        <translation>Consommation</translation>
    </message>
    <message>
        <source>Not in a trip</source>
        <translation>Hors voyage</translation>
    </message>
</context>
<context>
    <name>DivePlaces</name>
    <message>
        <source>The latitude must be between -90 and 90 degrees.</source>
        <translation>La latitude doit être comprise entre -90 et 90 degrés.</translation>
    </message>
    <message>
        <source>The longitude must be between -180 and 180 degrees.</source>
        <translation>La longitude doit être comprise entre -180 et 180 degrés.</translation>
    </message>
</context>
<context>
    <name>DiveProfile</name>
    <message>
        <source>Unknown dive file type: %1</source>
        <translation>Type de fichier de plongée inconnu : %1</translation>
    </message>
</context>
<context>
    <name>DiveProfileItem</name>
    <message>
        <source>Dive: </source>
        <translation>Plongée : </translation>
    </message>
    <message>
        <source> - Max depth: </source>
        <translation> - Profondeur max : </translation>
    </message>
    <message>
        <source> - Dive time: </source>
        <translation> - Durée : </translation>
    </message>
    <message>
        <source> - Ascent time: </source>
        <translation> - Remontée : </translation>
    </message>
    <message>
        <source> - Stop time: </source>
        <translation> - Paliers : </translation>
    </message>
    <message>
        <source>Invalid dive: Yoyo on previous dive</source>
        <translation>Plongée invalide : yoyo sur la plongée précédente</translation>
    </message>
    <message>
        <source>Invalid dive: not allowed, the tissues still hold too much nitrogen (TAR &gt; 0.8 bar in the 146-minute compartment)</source>
        <translation>Plongée invalide : interdite, les tissus sont encore trop chargés en azote (TAR &gt; 0,8 bar dans le compartiment de 146 minutes)</translation>
    </message>
    <message>
        <source>Deco not terminated</source>
        <translation>Décompression non terminée</translation>
    </message>
    <message>
        <source>Point &lt;b&gt;%1&lt;/b&gt;&lt;br&gt;Depth &lt;b&gt;%2&lt;/b&gt;&lt;br&gt;Time &lt;b&gt;%3&lt;/b&gt;</source>
        <translation>Point &lt;b&gt;%1&lt;/b&gt;&lt;br&gt;Profondeur &lt;b&gt;%2&lt;/b&gt;&lt;br&gt;Temps &lt;b&gt;%3&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;br&gt;Ceil &lt;b&gt;%4&lt;/b&gt;</source>
        <translation>&lt;br&gt;Plafond &lt;b&gt;%4&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Logged by hand: simple profile</source>
        <translation>Saisie manuelle : profil simplifié</translation>
    </message>
    <message>
        <source>No profile recorded: simple profile from the dive&apos;s numbers</source>
        <translation>Aucun profil enregistré : profil simplifié tiré des valeurs de la plongée</translation>
    </message>
</context>
<context>
    <name>DiveSites</name>
    <message>
        <source>No logbook database is open.</source>
        <translation>Aucun carnet de plongée n&apos;est ouvert.</translation>
    </message>
    <message>
        <source>There is no site %1 in the logbook.</source>
        <translation>Le carnet ne contient pas de site %1.</translation>
    </message>
    <message>
        <source>A site needs a name.</source>
        <translation>Un site doit avoir un nom.</translation>
    </message>
    <message>
        <source>Another site is named %1 at %2: merge the two instead.</source>
        <translation>Un autre site s&apos;appelle %1 à %2 : fusionnez plutôt les deux.</translation>
    </message>
    <message>
        <source>A site cannot be merged with itself.</source>
        <translation>Un site ne peut pas être fusionné avec lui-même.</translation>
    </message>
</context>
<context>
    <name>DiveTrips</name>
    <message>
        <source>No logbook database is open.</source>
        <translation>Aucun carnet de plongée n&apos;est ouvert.</translation>
    </message>
    <message>
        <source>There is no trip %1 in the logbook.</source>
        <translation>Le carnet ne contient pas de voyage %1.</translation>
    </message>
    <message>
        <source>A trip needs a name.</source>
        <translation>Un voyage doit avoir un nom.</translation>
    </message>
    <message>
        <source>There is already a trip named %1.</source>
        <translation>Il existe déjà un voyage nommé %1.</translation>
    </message>
    <message>
        <source>There is no dive %1 in the logbook.</source>
        <translation>Le carnet ne contient pas de plongée %1.</translation>
    </message>
</context>
<context>
    <name>FileDownloader</name>
    <message>
        <source>Another download is running</source>
        <translation>Un autre téléchargement est en cours</translation>
    </message>
    <message>
        <source>Address refused: %1</source>
        <translation>Adresse refusée : %1</translation>
    </message>
    <message>
        <source>The reply is larger than %1 bytes</source>
        <translation>La réponse dépasse %1 octets</translation>
    </message>
    <message>
        <source>HTTP %1 %2</source>
        <translation>HTTP %1 %2</translation>
    </message>
    <message>
        <source>No reply within %1 s</source>
        <translation>Pas de réponse en %1 s</translation>
    </message>
    <message>
        <source>Truncated reply: %1 of %2 bytes</source>
        <translation>Réponse tronquée : %1 octets sur %2</translation>
    </message>
    <message>
        <source>Empty reply</source>
        <translation>Réponse vide</translation>
    </message>
</context>
<context>
    <name>FileQuestions</name>
    <message>
        <source>Start of the dive</source>
        <translation>Début de la plongée</translation>
    </message>
    <message>
        <source>%1 does not say when the dive started. The file&apos;s modification time is offered; correct it if needed.</source>
        <translation>%1 n&apos;indique pas quand la plongée a commencé. La date de modification du fichier est proposée ; corrigez-la si besoin.</translation>
    </message>
</context>
<context>
    <name>FirmwareCatalogue</name>
    <message>
        <source>No Error</source>
        <translation>Aucune erreur</translation>
    </message>
    <message>
        <source>The reply is empty</source>
        <translation>La réponse est vide</translation>
    </message>
    <message>
        <source>The reply is larger than %1 bytes</source>
        <translation>La réponse dépasse %1 octets</translation>
    </message>
    <message>
        <source>The reply is not a firmware catalogue</source>
        <translation>La réponse n&apos;est pas un catalogue de micrologiciels</translation>
    </message>
    <message>
        <source>The catalogue has no content</source>
        <translation>Le catalogue n&apos;a pas de contenu</translation>
    </message>
    <message>
        <source>The catalogue content is not valid Base64</source>
        <translation>Le contenu du catalogue n&apos;est pas du Base64 valide</translation>
    </message>
    <message>
        <source>The catalogue has more than %1 entries</source>
        <translation>Le catalogue contient plus de %1 entrées</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
</context>
<context>
    <name>FirmwareMgt</name>
    <message>
        <source>Firmware catalogue not configured</source>
        <translation>Catalogue des micrologiciels non configuré</translation>
    </message>
    <message>
        <source>Set %1 in options.ini and the account and token in %2 and %3 or in %4</source>
        <translation>Indiquez %1 dans options.ini, et le compte et le jeton dans %2 et %3 ou dans %4</translation>
    </message>
    <message>
        <source>Reading the firmware catalogue...</source>
        <translation>Lecture du catalogue des micrologiciels...</translation>
    </message>
    <message>
        <source>Error %1: %2</source>
        <translation>Erreur %1 : %2</translation>
    </message>
    <message>
        <source>Download Error: %1</source>
        <translation>Erreur de téléchargement : %1</translation>
    </message>
    <message>
        <source>Download Error</source>
        <translation>Erreur de téléchargement</translation>
    </message>
    <message>
        <source>%1 Firmwares Available</source>
        <translation>%1 micrologiciels disponibles</translation>
    </message>
    <message>
        <source>Not available in the repository</source>
        <translation>Absent du dépôt</translation>
    </message>
    <message>
        <source>Download Firmware</source>
        <translation>Télécharger le micrologiciel</translation>
    </message>
    <message>
        <source>Downloading %1...</source>
        <translation>Téléchargement de %1...</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>The folder %1 cannot be created</source>
        <translation>Le dossier %1 ne peut pas être créé</translation>
    </message>
    <message>
        <source>The firmware cannot be written to %1: %2</source>
        <translation>Le micrologiciel ne peut pas être écrit dans %1 : %2</translation>
    </message>
    <message>
        <source>%1 downloaded</source>
        <translation>%1 téléchargé</translation>
    </message>
    <message>
        <source>The folder %1 cannot be opened</source>
        <translation>Le dossier %1 ne peut pas être ouvert</translation>
    </message>
    <message>
        <source>Open Firmware</source>
        <translation>Ouvrir un micrologiciel</translation>
    </message>
    <message>
        <source>Firmware Files (*.bin)</source>
        <translation>Fichiers de micrologiciel (*.bin)</translation>
    </message>
    <message>
        <source>Upload firmware </source>
        <translation>Installer le micrologiciel </translation>
    </message>
    <message>
        <source>(the catalogue lists version %1)</source>
        <translation>(le catalogue indique la version %1)</translation>
    </message>
    <message>
        <source>Confirmation</source>
        <translation>Confirmation</translation>
    </message>
    <message>
        <source>Number of bytes sent: %1/%2</source>
        <translation>Octets envoyés : %1/%2</translation>
    </message>
    <message>
        <source>Nb sent: 0/0</source>
        <translation>Envoyés : 0/0</translation>
    </message>
    <message>
        <source>Installation failed: %1</source>
        <translation>Échec de l&apos;installation : %1</translation>
    </message>
    <message>
        <source>Install %1 version %2 (%3 bytes) from %4?
Only the file&apos;s name can be checked, not what it holds: install only firmware from the computer&apos;s maker.
Keep the computer close and switched on until the installation ends.</source>
        <translation>Installer %1 version %2 (%3 octets) depuis %4 ?
Seul le nom du fichier peut être vérifié, pas son contenu : n&apos;installez que le micrologiciel du fabricant de l&apos;ordinateur.
Gardez l&apos;ordinateur à proximité et allumé jusqu&apos;à la fin de l&apos;installation.</translation>
    </message>
    <message>
        <source>Image sent, finishing the installation...</source>
        <translation>Image envoyée, fin de l&apos;installation...</translation>
    </message>
    <message>
        <source>Reading the new version...</source>
        <translation>Lecture de la nouvelle version...</translation>
    </message>
    <message>
        <source>the new version could not be read; connect the computer again and check its version</source>
        <translation>la nouvelle version n&apos;a pas pu être lue ; reconnectez l&apos;ordinateur et vérifiez sa version</translation>
    </message>
    <message>
        <source>the computer reports version %1</source>
        <translation>l&apos;ordinateur indique la version %1</translation>
    </message>
    <message>
        <source>Installation successful in %1</source>
        <translation>Installation réussie en %1</translation>
    </message>
    <message>
        <source>, version %1</source>
        <translation>, version %1</translation>
    </message>
    <message>
        <source>The computer stopped answering. Keep it close and switched on, then install the firmware again.</source>
        <translation>L&apos;ordinateur ne répond plus. Gardez-le à proximité et allumé, puis relancez l&apos;installation du micrologiciel.</translation>
    </message>
    <message>
        <source>What the computer sent arrived damaged. Keep it close, then install the firmware again.</source>
        <translation>Les données de l&apos;ordinateur sont arrivées endommagées. Gardez-le à proximité, puis relancez l&apos;installation du micrologiciel.</translation>
    </message>
    <message>
        <source>The computer is no longer connected. Connect it again in firmware mode and install the firmware again.</source>
        <translation>L&apos;ordinateur n&apos;est plus connecté. Reconnectez-le en mode micrologiciel et relancez l&apos;installation.</translation>
    </message>
    <message>
        <source>The computer was busy with another request. Wait a moment and install the firmware again.</source>
        <translation>L&apos;ordinateur était occupé par une autre demande. Patientez un instant et relancez l&apos;installation du micrologiciel.</translation>
    </message>
    <message>
        <source>The computer refused the firmware. Restart it in firmware mode and install again; if it refuses again, download the firmware again.</source>
        <translation>L&apos;ordinateur a refusé le micrologiciel. Redémarrez-le en mode micrologiciel et relancez l&apos;installation ; s&apos;il le refuse encore, téléchargez de nouveau le micrologiciel.</translation>
    </message>
    <message>
        <source>The firmware file cannot be read. Check the file or download it again.</source>
        <translation>Le fichier du micrologiciel est illisible. Vérifiez le fichier ou téléchargez-le de nouveau.</translation>
    </message>
    <message>
        <source>The computer disconnected. Connect it again in firmware mode and install the firmware again.</source>
        <translation>L&apos;ordinateur s&apos;est déconnecté. Reconnectez-le en mode micrologiciel et relancez l&apos;installation.</translation>
    </message>
</context>
<context>
    <name>FirmwareMgtClass</name>
    <message>
        <source>Firmware</source>
        <translation>Micrologiciel</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>Description</translation>
    </message>
    <message>
        <source>Firmware from disk</source>
        <translation>Micrologiciel depuis le disque</translation>
    </message>
    <message>
        <source>Open Firmwares Folder</source>
        <translation>Ouvrir le dossier des micrologiciels</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
</context>
<context>
    <name>FirmwareProgram</name>
    <message>
        <source>No Error</source>
        <translation>Aucune erreur</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
    <message>
        <source>No computer is connected. Connect the computer, then try again.</source>
        <translation>Aucun ordinateur n&apos;est connecté. Connectez l&apos;ordinateur, puis réessayez.</translation>
    </message>
    <message>
        <source>The computer is not ready to take firmware. Restart it in firmware mode, connect it again and try again.</source>
        <translation>L&apos;ordinateur n&apos;est pas prêt à recevoir un micrologiciel. Redémarrez-le en mode micrologiciel, reconnectez-le et réessayez.</translation>
    </message>
    <message>
        <source>The firmware file is empty. Download it again.</source>
        <translation>Le fichier du micrologiciel est vide. Téléchargez-le de nouveau.</translation>
    </message>
    <message>
        <source>The file is too large to be firmware (more than %1 bytes). Choose the firmware file of your computer.</source>
        <translation>Ce fichier est trop gros pour être un micrologiciel (plus de %1 octets). Choisissez le fichier du micrologiciel de votre ordinateur.</translation>
    </message>
    <message>
        <source>The file name does not say which computer the firmware is for. Keep the name the firmware came with (as in Veltra.1.2.3.b.bin).</source>
        <translation>Le nom du fichier n&apos;indique pas à quel ordinateur ce micrologiciel est destiné. Gardez le nom d&apos;origine du micrologiciel (par exemple Veltra.1.2.3.b.bin).</translation>
    </message>
    <message>
        <source>The file name is too long for the computer (at most %1 bytes before the first dot). Keep the name the firmware came with.</source>
        <translation>Le nom du fichier est trop long pour l&apos;ordinateur (%1 octets au plus avant le premier point). Gardez le nom d&apos;origine du micrologiciel.</translation>
    </message>
    <message>
        <source>This file is not firmware for this computer: its name must start with the computer&apos;s name. Choose the firmware of your computer.</source>
        <translation>Ce fichier n&apos;est pas un micrologiciel pour cet ordinateur : son nom doit commencer par celui de l&apos;ordinateur. Choisissez le micrologiciel de votre ordinateur.</translation>
    </message>
    <message>
        <source>The file name gives no firmware version (name.x.y.z.letter, as in Veltra.1.2.3.b.bin). Keep the name the firmware came with.</source>
        <translation>Le nom du fichier n&apos;indique aucune version de micrologiciel (nom.x.y.z.lettre, par exemple Veltra.1.2.3.b.bin). Gardez le nom d&apos;origine du micrologiciel.</translation>
    </message>
</context>
<context>
    <name>FitFile</name>
    <message>
        <source>the file&apos;s checksum is wrong; its dive was read all the same</source>
        <translation>la somme de contrôle du fichier est fausse ; sa plongée a tout de même été lue</translation>
    </message>
    <message>
        <source>not a FIT file</source>
        <translation>ce n&apos;est pas un fichier FIT</translation>
    </message>
    <message>
        <source>the FIT file is cut short</source>
        <translation>le fichier FIT est tronqué</translation>
    </message>
    <message>
        <source>the FIT file is damaged: a message has no definition</source>
        <translation>le fichier FIT est endommagé : un message n&apos;a pas de définition</translation>
    </message>
    <message>
        <source>the FIT file holds no dive</source>
        <translation>le fichier FIT ne contient aucune plongée</translation>
    </message>
</context>
<context>
    <name>FormBluetoothConnect</name>
    <message>
        <source>No Bluetooth link</source>
        <translation>Pas de liaison Bluetooth</translation>
    </message>
    <message>
        <source>Connect to computer...</source>
        <translation>Connexion à l&apos;ordinateur...</translation>
    </message>
    <message>
        <source>Search computer...</source>
        <translation>Recherche de l&apos;ordinateur...</translation>
    </message>
    <message>
        <source>No Device Found</source>
        <translation>Aucun appareil trouvé</translation>
    </message>
    <message>
        <source>Problem on Create Device</source>
        <translation>Problème à la création de l&apos;appareil</translation>
    </message>
    <message>
        <source>No Controller</source>
        <translation>Pas de contrôleur Bluetooth</translation>
    </message>
    <message>
        <source>No Computer Found</source>
        <translation>Aucun ordinateur trouvé</translation>
    </message>
    <message>
        <source>Device Connected</source>
        <translation>Appareil connecté</translation>
    </message>
    <message>
        <source>Controller Error: </source>
        <translation>Erreur du contrôleur : </translation>
    </message>
    <message>
        <source>Error: Unauthorized access</source>
        <translation>Erreur : accès non autorisé</translation>
    </message>
    <message>
        <source>Firmware version: </source>
        <translation>Version du micrologiciel : </translation>
    </message>
    <message>
        <source>Serial number: </source>
        <translation>Numéro de série : </translation>
    </message>
    <message>
        <source>Ambient pressure: </source>
        <translation>Pression ambiante : </translation>
    </message>
    <message>
        <source>Bluetooth is switched off. Switch it on (system settings, or &quot;bluetoothctl power on&quot;) and try again.</source>
        <translation>Le Bluetooth est désactivé. Activez-le (paramètres du système, ou « bluetoothctl power on ») et réessayez.</translation>
    </message>
    <message>
        <source>No Bluetooth adapter found. Plug in a Bluetooth 4.0 (Low Energy) adapter, check that the system&apos;s Bluetooth service runs, and try again.</source>
        <translation>Aucun adaptateur Bluetooth trouvé. Branchez un adaptateur Bluetooth 4.0 (Low Energy), vérifiez que le service Bluetooth du système fonctionne, et réessayez.</translation>
    </message>
    <message>
        <source>Bluetooth does not answer. Check that the system&apos;s Bluetooth service runs (on Linux: bluetoothd) and that the adapter is not blocked (rfkill), then try again.</source>
        <translation>Le Bluetooth ne répond pas. Vérifiez que le service Bluetooth du système fonctionne (sous Linux : bluetoothd) et que l&apos;adaptateur n&apos;est pas bloqué (rfkill), puis réessayez.</translation>
    </message>
    <message>
        <source>This program may not use Bluetooth. Allow it in the system&apos;s settings and try again.</source>
        <translation>Ce programme n&apos;a pas le droit d&apos;utiliser le Bluetooth. Autorisez-le dans les paramètres du système et réessayez.</translation>
    </message>
    <message>
        <source>The location service is off; the system needs it to search for Bluetooth devices. Switch it on and try again.</source>
        <translation>Le service de localisation est désactivé ; le système en a besoin pour rechercher les appareils Bluetooth. Activez-le et réessayez.</translation>
    </message>
    <message>
        <source>The Bluetooth search failed (error %1). Check the computer&apos;s Bluetooth adapter and try again.</source>
        <translation>La recherche Bluetooth a échoué (erreur %1). Vérifiez l&apos;adaptateur Bluetooth de l&apos;ordinateur et réessayez.</translation>
    </message>
    <message>
        <source>The computer did not answer in time while %1. Bring it closer, check that its Bluetooth is on, and try again.</source>
        <translation>L&apos;ordinateur de plongée n&apos;a pas répondu à temps pendant %1. Rapprochez-le, vérifiez que son Bluetooth est activé, et réessayez.</translation>
    </message>
    <message>
        <source>The computer&apos;s Bluetooth refused the connection while %1. Switch the computer off and on, and try again.</source>
        <translation>Le Bluetooth de l&apos;ordinateur de plongée a refusé la connexion pendant %1. Éteignez puis rallumez l&apos;ordinateur, et réessayez.</translation>
    </message>
    <message>
        <source>The computer was not identified and is disconnected.</source>
        <translation>L&apos;ordinateur n&apos;a pas été identifié et il est déconnecté.</translation>
    </message>
    <message>
        <source>The computer sent no serial number.</source>
        <translation>L&apos;ordinateur n&apos;a envoyé aucun numéro de série.</translation>
    </message>
    <message>
        <source>The computer disconnected while %1. Bring it closer and press Try again.</source>
        <translation>L&apos;ordinateur s&apos;est déconnecté pendant %1. Rapprochez-le et appuyez sur Réessayer.</translation>
    </message>
    <message>
        <source>The computer sent no name.</source>
        <translation>L&apos;ordinateur n&apos;a envoyé aucun nom.</translation>
    </message>
</context>
<context>
    <name>FormBluetoothConnectClass</name>
    <message>
        <source>Bluetooth Connection</source>
        <translation>Connexion Bluetooth</translation>
    </message>
    <message>
        <source>Search computer</source>
        <translation>Rechercher l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Réessayer</translation>
    </message>
</context>
<context>
    <name>FormFilter</name>
    <message>
        <source>No name</source>
        <translation>Sans nom</translation>
    </message>
</context>
<context>
    <name>FormFilterClass</name>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>By computer</source>
        <translation>Par ordinateur</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Actif</translation>
    </message>
    <message>
        <source>All</source>
        <translation>Tous</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>By date</source>
        <translation>Par date</translation>
    </message>
    <message>
        <source>Start date</source>
        <translation>Date de début</translation>
    </message>
    <message>
        <source>End date</source>
        <translation>Date de fin</translation>
    </message>
    <message>
        <source>Start time</source>
        <translation>Heure de début</translation>
    </message>
    <message>
        <source>End time</source>
        <translation>Heure de fin</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Without an end date, the filter keeps every dive from the start date on.</source>
        <translation>Sans date de fin, le filtre garde toutes les plongées à partir de la date de début.</translation>
    </message>
    <message>
        <source>Time of day, on every day</source>
        <translation>Heure de la journée, chaque jour</translation>
    </message>
    <message>
        <source>Keeps the dives started between these hours on each day of the dates; a start later than the end spans midnight.</source>
        <translation>Garde les plongées commencées entre ces heures, chaque jour de la période ; un début plus tard que la fin passe minuit.</translation>
    </message>
</context>
<context>
    <name>GasPanel</name>
    <message>
        <source>Gas</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Working</source>
        <translation>Service</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Gonflage</translation>
    </message>
    <message>
        <source>Used</source>
        <translation>Consommé</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Reserve</source>
        <translation>Réserve</translation>
    </message>
    <message>
        <source>Working pressure: the pressure the cylinder is made for</source>
        <translation>Pression de service : la pression pour laquelle le bloc est fait</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Minimum gas</source>
        <translation>Gaz minimum</translation>
    </message>
    <message>
        <source>Thirds</source>
        <translation>Règle des tiers</translation>
    </message>
    <message>
        <source>Minimum-gas factor: two divers breathing twice their normal rate</source>
        <translation>Facteur du gaz minimum : deux plongeurs respirant deux fois plus que d&apos;habitude</translation>
    </message>
    <message>
        <source>Time to solve a problem at the deepest depth</source>
        <translation>Temps pour résoudre un incident à la profondeur maximale</translation>
    </message>
    <message>
        <source>SAC</source>
        <translation>Conso. surface</translation>
    </message>
    <message>
        <source>Deco SAC</source>
        <translation>Conso. déco</translation>
    </message>
    <message>
        <source>x</source>
        <translation>x</translation>
    </message>
    <message>
        <source>Problem</source>
        <translation>Incident</translation>
    </message>
    <message>
        <source>Deco reserve</source>
        <translation>Réserve déco</translation>
    </message>
    <message>
        <source>Bailout</source>
        <translation>Secours</translation>
    </message>
    <message>
        <source>Closed circuit: plan the open-circuit ascent if the loop fails at the end of the bottom phase</source>
        <translation>Circuit fermé : planifier la remontée en circuit ouvert si la boucle tombe en panne à la fin du temps de fond</translation>
    </message>
    <message>
        <source>dive</source>
        <translation>plongée</translation>
    </message>
    <message>
        <source>Deco SAC multiplier for the first minutes after the loop fails</source>
        <translation>Multiplicateur de la consommation en surface pendant la déco, pour les premières minutes après la panne de la boucle</translation>
    </message>
    <message>
        <source>GF</source>
        <translation>GF</translation>
    </message>
    <message>
        <source>Stress x</source>
        <translation>Coef. stress</translation>
    </message>
    <message>
        <source>Export slate</source>
        <translation>Exporter l&apos;ardoise</translation>
    </message>
    <message>
        <source>A cylinder size is a number of litres, for example 13.5.</source>
        <translation>Le volume d&apos;un bloc est un nombre de litres, par exemple 13,5.</translation>
    </message>
    <message>
        <source>bar</source>
        <translation>bar</translation>
    </message>
    <message>
        <source>A cylinder size is a number of cubic feet of gas at its working pressure, for example 80.</source>
        <translation>La taille d&apos;un bloc est un nombre de pieds cubes de gaz à sa pression de service, par exemple 80.</translation>
    </message>
</context>
<context>
    <name>GasPlan</name>
    <message>
        <source>7 L</source>
        <translation>7 L</translation>
    </message>
    <message>
        <source>10 L</source>
        <translation>10 L</translation>
    </message>
    <message>
        <source>AL80 (11.1 L)</source>
        <translation>AL80 (11,1 L)</translation>
    </message>
    <message>
        <source>12 L</source>
        <translation>12 L</translation>
    </message>
    <message>
        <source>15 L</source>
        <translation>15 L</translation>
    </message>
    <message>
        <source>2x12 L</source>
        <translation>Bi 2x12 L</translation>
    </message>
    <message>
        <source>Gas %1 has no cylinder: give one cylinder per gas.</source>
        <translation>Le mélange %1 n&apos;a pas de bloc : indiquez un bloc par mélange.</translation>
    </message>
    <message>
        <source>Cylinder %1: the size must be more than 0 L.</source>
        <translation>Bloc %1 : le volume doit dépasser 0 L.</translation>
    </message>
    <message>
        <source>Cylinder %1: the fill pressure must be more than 0 bar.</source>
        <translation>Bloc %1 : la pression de gonflage doit dépasser 0 bar.</translation>
    </message>
    <message>
        <source>Cylinder %1: the fill pressure must not exceed 300 bar.</source>
        <translation>Bloc %1 : la pression de gonflage ne doit pas dépasser 300 bar.</translation>
    </message>
    <message>
        <source>Cylinder %1: the size must not exceed 100 L.</source>
        <translation>Bloc %1 : le volume ne doit pas dépasser 100 L.</translation>
    </message>
    <message>
        <source>Bottom SAC must be more than 0 and at most 100 L/min.</source>
        <translation>La consommation en surface au fond doit être supérieure à 0 et au plus de 100 L/min.</translation>
    </message>
    <message>
        <source>Deco SAC must be more than 0 and at most 100 L/min.</source>
        <translation>La consommation en surface pendant la déco doit être supérieure à 0 et au plus de 100 L/min.</translation>
    </message>
    <message>
        <source>Minimum-gas factor must be more than 0 and at most 10.</source>
        <translation>Le facteur du gaz minimum doit être supérieur à 0 et au plus de 10.</translation>
    </message>
    <message>
        <source>Problem-solving time must be 0 to 30 min.</source>
        <translation>Le temps de résolution d&apos;un incident doit être de 0 à 30 min.</translation>
    </message>
    <message>
        <source>Deco gas reserve must be 0 to 300 bar.</source>
        <translation>La réserve des gaz de déco doit être de 0 à 300 bar.</translation>
    </message>
    <message>
        <source>Bailout GF must be LOW/HIGH between 10 and 100 with LOW at most HIGH.</source>
        <translation>Les GF du bailout doivent être BAS/HAUT entre 10 et 100, BAS ne dépassant pas HAUT.</translation>
    </message>
    <message>
        <source>Bailout stress factor must be 1 to 10.</source>
        <translation>Le facteur de stress du bailout doit être de 1 à 10.</translation>
    </message>
    <message>
        <source>Bailout stress time must be 0 to 60 min.</source>
        <translation>La durée de stress du bailout doit être de 0 à 60 min.</translation>
    </message>
    <message>
        <source>gas plan
</source>
        <translation>gestion des gaz
</translation>
    </message>
    <message>
        <source>bailout (GF %1/%2), surfacing at %3
</source>
        <translation>bailout (GF %1/%2), sortie à %3
</translation>
    </message>
    <message>
        <source>  leaves the loop on %1
</source>
        <translation>  quitte la boucle sur %1
</translation>
    </message>
    <message>
        <source>  on the loop: nothing is breathed from the cylinders, the bailout is not planned
</source>
        <translation>  en circuit fermé : rien n&apos;est respiré dans les blocs, le bailout n&apos;est pas planifié
</translation>
    </message>
    <message>
        <source>contingency: %1, surfacing at %2
</source>
        <translation>imprévu : %1, sortie à %2
</translation>
    </message>
    <message>
        <source>Cylinder temperature must be -20 to 60 °C.</source>
        <translation>La température des blocs doit être comprise entre -20 et 60 °C.</translation>
    </message>
    <message>
        <source>Bailout problem-solving time must be 0 to 30 min.</source>
        <translation>Le temps de résolution du bailout doit être compris entre 0 et 30 min.</translation>
    </message>
    <message>
        <source>Setpoint switch depth must be 0 to 100 m.</source>
        <translation>La profondeur de changement de consigne doit être comprise entre 0 et 100 m.</translation>
    </message>
    <message>
        <source>Contingency depth must be 0 to 30 m deeper.</source>
        <translation>La profondeur supplémentaire des imprévus doit être comprise entre 0 et 30 m.</translation>
    </message>
    <message>
        <source>Contingency time must be 0 to 60 min longer.</source>
        <translation>Le temps supplémentaire des imprévus doit être compris entre 0 et 60 min.</translation>
    </message>
    <message>
        <source>3 L</source>
        <translation>3 L</translation>
    </message>
    <message>
        <source>AL40 (5.7 L)</source>
        <translation>AL40 (5,7 L)</translation>
    </message>
    <message>
        <source>18 L</source>
        <translation>18 L</translation>
    </message>
    <message>
        <source>2x7 L</source>
        <translation>2x7 L</translation>
    </message>
    <message>
        <source>2x10 L</source>
        <translation>2x10 L</translation>
    </message>
    <message>
        <source>  %1 %2: used %3, ends at %4, reserve %5
</source>
        <translation>  %1 %2 : consommé %3, finit à %4, réserve %5
</translation>
    </message>
    <message>
        <source>    turn at %1
</source>
        <translation>    demi-tour à %1
</translation>
    </message>
    <message>
        <source>  %1 used %2, ends at %3
</source>
        <translation>  %1 consommé %2, finit à %3
</translation>
    </message>
    <message>
        <source>Cylinder %1: the working pressure must not exceed 300 bar.</source>
        <translation>Bloc %1 : la pression de service ne doit pas dépasser 300 bar.</translation>
    </message>
    <message>
        <source>Cylinder %1 (%2, %3)</source>
        <translation>Bloc %1 (%2, %3)</translation>
    </message>
    <message>
        <source>%1 runs dry: the plan needs %2, the cylinder holds %3.</source>
        <translation>%1 est vide : le plan demande %2, le bloc n&apos;en contient que %3.</translation>
    </message>
    <message>
        <source>%1 ends at %2, below its reserve of %3.</source>
        <translation>%1 finit à %2, sous sa réserve de %3.</translation>
    </message>
    <message>
        <source>%1 cannot be breathed at %2: ppO2 %3 bar is outside 0.16 to 1.6 bar.</source>
        <translation>%1 n&apos;est pas respirable à %2 : la ppO2 de %3 bar sort de la plage 0,16 à 1,6 bar.</translation>
    </message>
    <message>
        <source>%1 is filled to %2, above its working pressure of %3.</source>
        <translation>%1 est gonflé à %2, au-dessus de sa pression de service de %3.</translation>
    </message>
</context>
<context>
    <name>GasPlanExtras</name>
    <message>
        <source> °C</source>
        <translation> °C</translation>
    </message>
    <message>
        <source>Temperature of the cylinders: a warm cylinder holds less gas at the same pressure</source>
        <translation>Température des blocs : un bloc chaud contient moins de gaz à la même pression</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Closed circuit: minutes spent solving the failure at the bailout depth</source>
        <translation>Circuit fermé : minutes passées à résoudre la panne à la profondeur du bailout</translation>
    </message>
    <message>
        <source> m</source>
        <translation> m</translation>
    </message>
    <message>
        <source>off</source>
        <translation>aucune</translation>
    </message>
    <message>
        <source>Closed circuit: the low setpoint is breathed from the surface down to this depth</source>
        <translation>Circuit fermé : la consigne basse est respirée de la surface jusqu&apos;à cette profondeur</translation>
    </message>
    <message>
        <source>Contingencies</source>
        <translation>Imprévus</translation>
    </message>
    <message>
        <source>Also plan the dive deeper and longer, and the ascent without each deco gas</source>
        <translation>Planifier aussi la plongée plus profonde et plus longue, et la remontée sans chaque gaz de déco</translation>
    </message>
    <message>
        <source>+</source>
        <translation>+</translation>
    </message>
    <message>
        <source>Cylinders at</source>
        <translation>Blocs à</translation>
    </message>
    <message>
        <source>Bailout time</source>
        <translation>Temps bailout</translation>
    </message>
    <message>
        <source>Low setpoint to</source>
        <translation>Consigne basse jusqu&apos;à</translation>
    </message>
</context>
<context>
    <name>GraphView</name>
    <message>
        <source>up</source>
        <translation>en montée</translation>
    </message>
    <message>
        <source>down</source>
        <translation>en descente</translation>
    </message>
    <message>
        <source>no stop %1 min</source>
        <translation>sans palier %1 min</translation>
    </message>
    <message>
        <source>ceiling %1</source>
        <translation>plafond %1</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>User guide</source>
        <translation>Guide de l’utilisateur</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>guide_en.html</source>
        <translation>guide_fr.html</translation>
    </message>
</context>
<context>
    <name>ImportBluetooth</name>
    <message>
        <source>No computer connected</source>
        <translation>Aucun ordinateur connecté</translation>
    </message>
    <message>
        <source>Get list of dives</source>
        <translation>Lecture de la liste des plongées</translation>
    </message>
    <message>
        <source> (in logbook)</source>
        <translation> (dans le carnet)</translation>
    </message>
    <message>
        <source>Select dives to import</source>
        <translation>Choisissez les plongées à importer</translation>
    </message>
    <message>
        <source> (%1 new)</source>
        <translation> (%1 nouvelles)</translation>
    </message>
    <message>
        <source>, %1 unreadable dive headers skipped</source>
        <translation>, %1 en-têtes de plongée illisibles ignorés</translation>
    </message>
    <message>
        <source>No dive selected</source>
        <translation>Aucune plongée sélectionnée</translation>
    </message>
    <message>
        <source>%v of %m dives</source>
        <translation>%v plongées sur %m</translation>
    </message>
    <message>
        <source>Get dive %1</source>
        <translation>Lecture de la plongée %1</translation>
    </message>
    <message>
        <source>Dive not found</source>
        <translation>Plongée introuvable</translation>
    </message>
    <message>
        <source> (downloaded)</source>
        <translation> (téléchargée)</translation>
    </message>
    <message>
        <source>Dive imported</source>
        <translation>Plongée importée</translation>
    </message>
    <message>
        <source>Dives not imported: %1</source>
        <translation>Plongées non importées : %1</translation>
    </message>
    <message>
        <source>Get list of dives failed: %1</source>
        <translation>Échec de la lecture de la liste des plongées : %1</translation>
    </message>
    <message>
        <source>Dive %1 failed: %2</source>
        <translation>Échec de la plongée %1 : %2</translation>
    </message>
    <message>
        <source>Dive %1 downloaded but not stored</source>
        <translation>Plongée %1 téléchargée mais non enregistrée</translation>
    </message>
    <message>
        <source>Nothing of it was stored. Retry it, or skip it and go on with the next dive.</source>
        <translation>Rien n&apos;en a été enregistré. Réessayez, ou passez-la et continuez avec la plongée suivante.</translation>
    </message>
    <message>
        <source>Dive %1 not stored in the logbook (code %2)</source>
        <translation>Plongée %1 non enregistrée dans le carnet (code %2)</translation>
    </message>
    <message>
        <source>Downloaded but not stored in the logbook: dive %1. Store again, or export to a file before closing.</source>
        <translation>Téléchargée mais non enregistrée dans le carnet : plongée %1. Enregistrez-la de nouveau, ou exportez-la dans un fichier avant de fermer.</translation>
    </message>
    <message>
        <source>Dives stored</source>
        <translation>Plongées enregistrées</translation>
    </message>
    <message>
        <source>Dive %1 is not in the logbook and will be lost if you close now. Close anyway?</source>
        <translation>La plongée %1 n&apos;est pas dans le carnet et sera perdue si vous fermez maintenant. Fermer quand même ?</translation>
    </message>
    <message>
        <source>Dives not stored</source>
        <translation>Plongées non enregistrées</translation>
    </message>
    <message>
        <source>The computer lists more than one dive numbered %1: these cannot be told apart and are not downloaded.</source>
        <translation>L&apos;ordinateur liste plusieurs plongées numérotées %1 : impossible de les distinguer, elles ne sont pas téléchargées.</translation>
    </message>
    <message>
        <source> (number repeated)</source>
        <translation> (numéro en double)</translation>
    </message>
    <message>
        <source>What arrived is not this dive. Wait for Retry, then press it.</source>
        <translation>Ce qui est arrivé n&apos;est pas cette plongée. Attendez que Réessayer soit disponible, puis appuyez dessus.</translation>
    </message>
    <message>
        <source>The computer disconnected. Bring it close and press Reconnect and go on.</source>
        <translation>L&apos;ordinateur s&apos;est déconnecté. Rapprochez-le et appuyez sur Reconnecter et continuer.</translation>
    </message>
    <message>
        <source>Dive %1 is in the logbook already</source>
        <translation>La plongée %1 est déjà dans le carnet</translation>
    </message>
    <message>
        <source>Stopping after the dive under way...</source>
        <translation>Arrêt après la plongée en cours...</translation>
    </message>
    <message>
        <source>The computer could not be connected again.</source>
        <translation>L&apos;ordinateur n&apos;a pas pu être reconnecté.</translation>
    </message>
    <message>
        <source>Another computer answered. Close and download again.</source>
        <translation>Un autre ordinateur a répondu. Fermez et relancez le téléchargement.</translation>
    </message>
</context>
<context>
    <name>ImportBluetoothClass</name>
    <message>
        <source>Import Dives</source>
        <translation>Importer des plongées</translation>
    </message>
    <message>
        <source>Dive %p%</source>
        <translation>Plongée %p%</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Réessayer</translation>
    </message>
    <message>
        <source>Skip dive</source>
        <translation>Passer la plongée</translation>
    </message>
    <message>
        <source>Samples with tissues</source>
        <translation>Échantillons avec les tissus</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>Importer</translation>
    </message>
    <message>
        <source>Store again</source>
        <translation>Enregistrer de nouveau</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exporter…</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Reconnect and go on</source>
        <translation>Reconnecter et continuer</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>ImportSummaryDialog</name>
    <message>
        <source>Import dives</source>
        <translation>Importer des plongées</translation>
    </message>
    <message>
        <source>Dive</source>
        <translation>Plongée</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Raison</translation>
    </message>
    <message>
        <source>Retry failed dives</source>
        <translation>Réessayer les plongées en échec</translation>
    </message>
    <message>
        <source>%1 stored, %2 duplicates, %3 refused, %4 failed to store</source>
        <translation>%1 enregistrées, %2 doublons, %3 refusées, %4 non enregistrées (erreur)</translation>
    </message>
    <message>
        <source>Duplicate</source>
        <translation>Doublon</translation>
    </message>
    <message>
        <source>Already in the logbook as dive %1</source>
        <translation>Déjà dans le carnet comme plongée %1</translation>
    </message>
    <message>
        <source>Refused</source>
        <translation>Refusée</translation>
    </message>
    <message>
        <source>Not stored (can be retried)</source>
        <translation>Non enregistrée (peut être réessayée)</translation>
    </message>
    <message>
        <source>Warnings:</source>
        <translation>Avertissements :</translation>
    </message>
</context>
<context>
    <name>LogbookActions</name>
    <message>
        <source>Print logbook...</source>
        <translation>Imprimer le carnet...</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>&amp;Carnet</translation>
    </message>
    <message>
        <source>Add dive...</source>
        <translation>Ajouter une plongée...</translation>
    </message>
    <message>
        <source>New trip from selected dives...</source>
        <translation>Nouveau voyage avec les plongées sélectionnées...</translation>
    </message>
    <message>
        <source>Take selected dives out of their trip</source>
        <translation>Retirer les plongées sélectionnées de leur voyage</translation>
    </message>
    <message>
        <source>Edit the trip of the selected dive...</source>
        <translation>Modifier le voyage de la plongée sélectionnée...</translation>
    </message>
    <message>
        <source>Delete the trip of the selected dive</source>
        <translation>Supprimer le voyage de la plongée sélectionnée</translation>
    </message>
    <message>
        <source>Dive sites...</source>
        <translation>Sites de plongée...</translation>
    </message>
    <message>
        <source>Logbook</source>
        <translation>Carnet</translation>
    </message>
    <message>
        <source>Add dive %1</source>
        <translation>Ajouter la plongée %1</translation>
    </message>
    <message>
        <source>Select the dives of the trip in the list first.</source>
        <translation>Sélectionnez d&apos;abord les plongées du voyage dans la liste.</translation>
    </message>
    <message>
        <source>New trip</source>
        <translation>Nouveau voyage</translation>
    </message>
    <message>
        <source>Name of the trip</source>
        <translation>Nom du voyage</translation>
    </message>
    <message>
        <source>Select a dive of the trip in the list first.</source>
        <translation>Sélectionnez d&apos;abord une plongée du voyage dans la liste.</translation>
    </message>
    <message>
        <source>Edit trip</source>
        <translation>Modifier le voyage</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>These %1 dives were made within days of each other. Name a trip to group them, or cancel:</source>
        <translation>Ces %1 plongées ont été faites à quelques jours d&apos;intervalle. Nommez un voyage pour les regrouper, ou annulez :</translation>
    </message>
    <message>
        <source>The logbook pages could not be written: %1</source>
        <translation>Les pages du carnet n&apos;ont pas pu être écrites : %1</translation>
    </message>
    <message>
        <source>Select the dives to print in the list first.</source>
        <translation>Sélectionnez d&apos;abord dans la liste les plongées à imprimer.</translation>
    </message>
    <message>
        <source>Print logbook</source>
        <translation>Imprimer le carnet</translation>
    </message>
    <message>
        <source>PDF document (*.pdf)</source>
        <translation>Document PDF (*.pdf)</translation>
    </message>
</context>
<context>
    <name>LogbookCommand</name>
    <message>
        <source>dive %1</source>
        <translation>la plongée %1</translation>
    </message>
    <message>
        <source>dive &quot;%1&quot;</source>
        <translation>la plongée « %1 »</translation>
    </message>
    <message>
        <source>rating of %1</source>
        <translation>la note de %1</translation>
    </message>
    <message>
        <source>site of %1</source>
        <translation>le site de %1</translation>
    </message>
    <message>
        <source>place of %1</source>
        <translation>le lieu de %1</translation>
    </message>
    <message>
        <source>number of %1</source>
        <translation>le numéro de %1</translation>
    </message>
    <message>
        <source>buddies of %1</source>
        <translation>les binômes de %1</translation>
    </message>
    <message>
        <source>tags of %1</source>
        <translation>les étiquettes de %1</translation>
    </message>
    <message>
        <source>notes of %1</source>
        <translation>les notes de %1</translation>
    </message>
    <message>
        <source>details of %1</source>
        <translation>les détails de %1</translation>
    </message>
    <message>
        <source>deletion of %1</source>
        <translation>la suppression de %1</translation>
    </message>
    <message>
        <source>deletion of %1 dives</source>
        <translation>la suppression de %1 plongées</translation>
    </message>
    <message>
        <source>renaming of &quot;%1&quot; to &quot;%2&quot;</source>
        <translation>le renommage de « %1 » en « %2 »</translation>
    </message>
    <message>
        <source>import of %1</source>
        <translation>l’importation de %1</translation>
    </message>
    <message>
        <source>renumbering of the dives by date</source>
        <translation>la renumérotation des plongées par date</translation>
    </message>
    <message>
        <source>New site %1</source>
        <translation>Nouveau site %1</translation>
    </message>
    <message>
        <source>Edit site %1</source>
        <translation>Modifier le site %1</translation>
    </message>
    <message>
        <source>Merge site %1 into %2</source>
        <translation>Fusionner le site %1 dans %2</translation>
    </message>
    <message>
        <source>New trip %1</source>
        <translation>Nouveau voyage %1</translation>
    </message>
    <message>
        <source>Move dives to trip %1</source>
        <translation>Déplacer les plongées dans le voyage %1</translation>
    </message>
    <message>
        <source>Take dives out of their trip</source>
        <translation>Retirer les plongées de leur voyage</translation>
    </message>
    <message>
        <source>Delete trip %1</source>
        <translation>Supprimer le voyage %1</translation>
    </message>
    <message>
        <source>Edit trip %1</source>
        <translation>Modifier le voyage %1</translation>
    </message>
    <message>
        <source>Edit cylinders</source>
        <translation>Modifier les bouteilles</translation>
    </message>
</context>
<context>
    <name>LogbookDatabase</name>
    <message>
        <source>The SQLite database driver is not available.</source>
        <translation>Le pilote de base de données SQLite n&apos;est pas disponible.</translation>
    </message>
    <message>
        <source>The file is not a readable logbook database: %1</source>
        <translation>Le fichier n&apos;est pas un carnet de plongée lisible : %1</translation>
    </message>
    <message>
        <source>The file is an SQLite database but not a dive logbook.</source>
        <translation>Le fichier est une base SQLite mais pas un carnet de plongée.</translation>
    </message>
    <message>
        <source>The logbook database cannot be written: %1</source>
        <translation>Le carnet de plongée ne peut pas être écrit : %1</translation>
    </message>
    <message>
        <source>The logbook database could not be brought up to date.</source>
        <translation>Le carnet de plongée n&apos;a pas pu être mis à jour.</translation>
    </message>
    <message>
        <source>No logbook database is open.</source>
        <translation>Aucun carnet de plongée n&apos;est ouvert.</translation>
    </message>
    <message>
        <source>A dive with the same name and serial already exists.</source>
        <translation>Une plongée de même nom et de même numéro de série existe déjà.</translation>
    </message>
    <message>
        <source>No free dive id is left in the logbook.</source>
        <translation>Le carnet n&apos;a plus d&apos;identifiant de plongée libre.</translation>
    </message>
    <message>
        <source>There is no dive %1 in the logbook.</source>
        <translation>Le carnet ne contient pas de plongée %1.</translation>
    </message>
    <message>
        <source>The file is too short to be a logbook database.</source>
        <translation>Le fichier est trop court pour être un carnet de plongée.</translation>
    </message>
    <message>
        <source>The file is not a logbook database (not an SQLite file).</source>
        <translation>Le fichier n&apos;est pas un carnet de plongée (pas un fichier SQLite).</translation>
    </message>
    <message>
        <source>The logbook database is damaged: its header is invalid.</source>
        <translation>Le carnet de plongée est endommagé : son en-tête n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>The logbook database was written in a newer file format.</source>
        <translation>Le carnet de plongée a été écrit dans un format plus récent.</translation>
    </message>
    <message>
        <source>The logbook database is damaged: the file is truncated.</source>
        <translation>Le carnet de plongée est endommagé : le fichier est tronqué.</translation>
    </message>
    <message>
        <source>The logbook path is not a readable file.</source>
        <translation>Le chemin du carnet n&apos;est pas un fichier lisible.</translation>
    </message>
    <message>
        <source>The logbook could not be given its details tables: %1</source>
        <translation>Les tables de détails n&apos;ont pas pu être ajoutées au carnet : %1</translation>
    </message>
    <message>
        <source>The dive is already in the logbook as dive %1.</source>
        <translation>La plongée est déjà dans le carnet comme plongée %1.</translation>
    </message>
    <message>
        <source>The logbook is not open.</source>
        <translation>Le carnet de plongée n&apos;est pas ouvert.</translation>
    </message>
</context>
<context>
    <name>LogbookPages</name>
    <message>
        <source>, %1 L cylinder</source>
        <translation>, bouteille de %1 L</translation>
    </message>
    <message>
        <source>Dive %1   %2</source>
        <translation>Plongée %1   %2</translation>
    </message>
    <message>
        <source>Site: %1</source>
        <translation>Site : %1</translation>
    </message>
    <message>
        <source>Trip: %1</source>
        <translation>Voyage : %1</translation>
    </message>
    <message>
        <source>Buddies: %1</source>
        <translation>Binômes : %1</translation>
    </message>
    <message>
        <source>Duration: %1</source>
        <translation>Durée : %1</translation>
    </message>
    <message>
        <source>Gas: %1</source>
        <translation>Gaz : %1</translation>
    </message>
    <message>
        <source>Rating: %1 of 5</source>
        <translation>Note : %1 sur 5</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>Notes</translation>
    </message>
    <message>
        <source>Signature (buddy or instructor)</source>
        <translation>Signature (binôme ou moniteur)</translation>
    </message>
    <message>
        <source>no dive to print</source>
        <translation>aucune plongée à imprimer</translation>
    </message>
    <message>
        <source>, %1 cylinder</source>
        <translation>, bouteille de %1</translation>
    </message>
    <message>
        <source>: %1 to %2</source>
        <translation> : %1 à %2</translation>
    </message>
    <message>
        <source>Maximum depth: %1   Mean depth: %2</source>
        <translation>Profondeur maximale : %1   Profondeur moyenne : %2</translation>
    </message>
    <message>
        <source>Temperature: %1 to %2</source>
        <translation>Température : %1 à %2</translation>
    </message>
    <message>
        <source>Air use: %1</source>
        <translation>Consommation : %1</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Impossible to create the application data folder
%1
The program cannot start.</source>
        <translation>Impossible de créer le dossier de données de l&apos;application
%1
Le programme ne peut pas démarrer.</translation>
    </message>
    <message>
        <source>Veltra Desktop - </source>
        <translation>Veltra Desktop - </translation>
    </message>
    <message>
        <source>Download dives</source>
        <translation>Télécharger les plongées</translation>
    </message>
    <message>
        <source>Program name</source>
        <translation>Nom du propriétaire</translation>
    </message>
    <message>
        <source>Database Error</source>
        <translation>Erreur de base de données</translation>
    </message>
    <message>
        <source>Impossible to open database</source>
        <translation>Impossible d&apos;ouvrir la base de données</translation>
    </message>
    <message>
        <source>Impossible to create database 
</source>
        <translation>Impossible de créer la base de données 
</translation>
    </message>
    <message>
        <source>Impossible to open file</source>
        <translation>Impossible d&apos;ouvrir le fichier</translation>
    </message>
    <message>
        <source>Open Dive File</source>
        <translation>Ouvrir un fichier de plongée</translation>
    </message>
    <message>
        <source>Impossible to read profile</source>
        <translation>Impossible de lire le profil</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Renommer</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Invalid name</source>
        <translation>Nom invalide</translation>
    </message>
    <message>
        <source>Impossible to write profile </source>
        <translation>Impossible d&apos;écrire le profil </translation>
    </message>
    <message>
        <source>
Database not open</source>
        <translation>
Base de données non ouverte</translation>
    </message>
    <message>
        <source>
Dive Id already exists</source>
        <translation>
Cette plongée existe déjà</translation>
    </message>
    <message>
        <source>Write Database Error</source>
        <translation>Erreur d&apos;écriture en base</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Exporter</translation>
    </message>
    <message>
        <source>csv separator</source>
        <translation>séparateur csv</translation>
    </message>
    <message>
        <source>Dot .</source>
        <translation>Point .</translation>
    </message>
    <message>
        <source>Comma ,</source>
        <translation>Virgule ,</translation>
    </message>
    <message>
        <source>Delete dive</source>
        <translation>Supprimer la plongée</translation>
    </message>
    <message>
        <source>Impossible to delete profile(</source>
        <translation>Impossible de supprimer le profil (</translation>
    </message>
    <message>
        <source>Name already exists</source>
        <translation>Ce nom existe déjà</translation>
    </message>
    <message>
        <source>Export Profile</source>
        <translation>Exporter le profil</translation>
    </message>
    <message>
        <source>Dive file (*.uddf *.csv);;UDDF file (*.uddf);;Csv file (*.csv)</source>
        <translation>Fichier de plongée (*.uddf *.csv);;Fichier UDDF (*.uddf);;Fichier CSV (*.csv)</translation>
    </message>
    <message>
        <source>Impossible to write file</source>
        <translation>Impossible d&apos;écrire le fichier</translation>
    </message>
    <message>
        <source>Save selection</source>
        <translation>Enregistrer la sélection</translation>
    </message>
    <message>
        <source>Save Dive File</source>
        <translation>Enregistrer le fichier de plongée</translation>
    </message>
    <message>
        <source>%1: the file name must end in .uddf or .csv to choose the file&apos;s format.</source>
        <translation>%1 : le nom du fichier doit se terminer par .uddf ou .csv pour choisir le format du fichier.</translation>
    </message>
    <message>
        <source>Dive shown</source>
        <translation>Plongée affichée</translation>
    </message>
    <message>
        <source>Planned dive</source>
        <translation>Plongée planifiée</translation>
    </message>
    <message>
        <source>Set owner</source>
        <translation>Définir le propriétaire</translation>
    </message>
    <message>
        <source>Owner name</source>
        <translation>Nom du propriétaire</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>The preferences could not be saved in
%1
They apply until the program ends.</source>
        <translation>Les préférences n&apos;ont pas pu être enregistrées dans
%1
Elles s&apos;appliquent jusqu&apos;à la fermeture du programme.</translation>
    </message>
    <message>
        <source>Ceil: decompression ceiling.</source>
        <translation>Plafond : plafond de décompression.</translation>
    </message>
    <message>
        <source>The diver went above the ceiling: see the marks on the graph.</source>
        <translation>Le plongeur est remonté au-dessus du plafond : voir les repères sur le graphique.</translation>
    </message>
    <message>
        <source>The computer warned that the ceiling was near.</source>
        <translation>L&apos;ordinateur a signalé que le plafond était proche.</translation>
    </message>
    <message>
        <source>The diver stayed below the ceiling.</source>
        <translation>Le plongeur est resté sous le plafond.</translation>
    </message>
    <message>
        <source>RR: rapid ascent, faster than %1 m/min.</source>
        <translation>RR : remontée rapide, plus de %1 m/min.</translation>
    </message>
    <message>
        <source>Too fast: the red segments and marks on the graph show where.</source>
        <translation>Trop rapide : les segments et repères rouges du graphique montrent où.</translation>
    </message>
    <message>
        <source>Near the limit: the orange segments on the graph show where.</source>
        <translation>Proche de la limite : les segments orange du graphique montrent où.</translation>
    </message>
    <message>
        <source>Every ascent stayed within the limit.</source>
        <translation>Toutes les remontées sont restées dans la limite.</translation>
    </message>
    <message>
        <source>Yoyo: an ascent of 10 m or more followed by a descent of 10 m or more.</source>
        <translation>Yoyo : une remontée de 10 m ou plus suivie d&apos;une redescente de 10 m ou plus.</translation>
    </message>
    <message>
        <source>No yoyo in this dive.</source>
        <translation>Aucun yoyo dans cette plongée.</translation>
    </message>
    <message>
        <source>Yoyos found: %1 (see the marks on the graph).</source>
        <translation>Yoyos trouvés : %1 (voir les repères sur le graphique).</translation>
    </message>
    <message>
        <source>Security: safety warning recorded by the computer.</source>
        <translation>Sécurité : alerte de sécurité enregistrée par l&apos;ordinateur.</translation>
    </message>
    <message>
        <source>No warning.</source>
        <translation>Aucune alerte.</translation>
    </message>
    <message>
        <source>The computer recorded a warning of level %1.</source>
        <translation>L&apos;ordinateur a enregistré une alerte de niveau %1.</translation>
    </message>
    <message>
        <source>Dives/24H: dives within 24 hours.</source>
        <translation>Plongées/24H : plongées en 24 heures.</translation>
    </message>
    <message>
        <source>First dive of the last 24 hours.</source>
        <translation>Première plongée des dernières 24 heures.</translation>
    </message>
    <message>
        <source>Second dive within 24 hours.</source>
        <translation>Deuxième plongée en 24 heures.</translation>
    </message>
    <message>
        <source>Third dive within 24 hours: take care.</source>
        <translation>Troisième plongée en 24 heures : prudence.</translation>
    </message>
    <message>
        <source>Four or more dives within 24 hours.</source>
        <translation>Quatre plongées ou plus en 24 heures.</translation>
    </message>
    <message>
        <source>Store the dive in the logbook</source>
        <translation>Enregistrer la plongée dans le carnet</translation>
    </message>
    <message>
        <source>Filter (on)</source>
        <translation>Filtre (actif)</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>Some dives are hidden by the filter</source>
        <translation>Des plongées sont masquées par le filtre</translation>
    </message>
    <message>
        <source>Add to the plan</source>
        <translation>Ajouter au plan</translation>
    </message>
    <message>
        <source>Replace the current dive of the plan</source>
        <translation>Remplacer la plongée courante du plan</translation>
    </message>
    <message>
        <source>Search dives</source>
        <translation>Rechercher des plongées</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Édition</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Rétablir</translation>
    </message>
    <message>
        <source>Renumber dives by date</source>
        <translation>Renuméroter les plongées par date</translation>
    </message>
    <message>
        <source>Group dives by computer</source>
        <translation>Grouper les plongées par ordinateur</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistiques</translation>
    </message>
    <message>
        <source>Dive details</source>
        <translation>Détails de la plongée</translation>
    </message>
    <message>
        <source>Renumber dives</source>
        <translation>Renuméroter les plongées</translation>
    </message>
    <message>
        <source>Number every dive 1, 2, 3... in date order?</source>
        <translation>Numéroter toutes les plongées 1, 2, 3... dans l&apos;ordre des dates ?</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Import dives...</source>
        <translation>Importer des plongées...</translation>
    </message>
    <message>
        <source>Import a folder of dives...</source>
        <translation>Importer un dossier de plongées...</translation>
    </message>
    <message>
        <source>Logbook in use</source>
        <translation>Carnet déjà utilisé</translation>
    </message>
    <message>
        <source>The logbook %1 is already open in another VeltraDesktop (process %2 on %3).
Close it, then start VeltraDesktop again; this window works without the logbook.</source>
        <translation>Le carnet %1 est déjà ouvert dans un autre VeltraDesktop (processus %2 sur %3).
Fermez-le, puis relancez VeltraDesktop ; cette fenêtre fonctionne sans le carnet.</translation>
    </message>
    <message>
        <source>The file holds no dive.</source>
        <translation>Le fichier ne contient aucune plongée.</translation>
    </message>
    <message>
        <source>The file holds %1 dives; &quot;Import dives&quot; stores them all.</source>
        <translation>Le fichier contient %1 plongées ; « Importer des plongées » les enregistre toutes.</translation>
    </message>
    <message>
        <source>Store dive</source>
        <translation>Enregistrer la plongée</translation>
    </message>
    <message>
        <source>This dive is already in the logbook as dive %1.</source>
        <translation>Cette plongée est déjà dans le carnet comme plongée %1.</translation>
    </message>
    <message>
        <source>Import dives</source>
        <translation>Importer des plongées</translation>
    </message>
    <message>
        <source>Importing dives...</source>
        <translation>Importation des plongées...</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Save link log...</source>
        <translation>Enregistrer le journal de liaison...</translation>
    </message>
    <message>
        <source>&amp;Computer</source>
        <translation>&amp;Ordinateur</translation>
    </message>
    <message>
        <source>Install firmware...</source>
        <translation>Installer le micrologiciel...</translation>
    </message>
    <message>
        <source>Close connection</source>
        <translation>Fermer la connexion</translation>
    </message>
    <message>
        <source>Reset computer</source>
        <translation>Réinitialiser l’ordinateur</translation>
    </message>
    <message>
        <source>User guide</source>
        <translation>Guide de l’utilisateur</translation>
    </message>
    <message>
        <source>Keyboard shortcuts</source>
        <translation>Raccourcis clavier</translation>
    </message>
    <message>
        <source>Open a dive file</source>
        <translation>Ouvrir un fichier de plongée</translation>
    </message>
    <message>
        <source>Show the dive selected in the list</source>
        <translation>Afficher la plongée sélectionnée dans la liste</translation>
    </message>
    <message>
        <source>Delete the dives selected in the list</source>
        <translation>Supprimer les plongées sélectionnées dans la liste</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rétablir</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>On the graph: the wheel zooms in time, Control + wheel in depth, the middle button drags, Shift + left button selects a time range.</source>
        <translation>Sur le graphique : la molette zoome dans le temps, Ctrl + molette en profondeur, le bouton du milieu fait glisser, Maj + bouton gauche sélectionne une plage de temps.</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>No dive shown.</source>
        <translation>Aucune plongée affichée.</translation>
    </message>
    <message>
        <source>The dive is no longer in the logbook: the change cannot be saved.</source>
        <translation>La plongée n&apos;est plus dans le carnet : la modification ne peut pas être enregistrée.</translation>
    </message>
    <message>
        <source>import of %1 dives</source>
        <translation>l’importation de %1 plongées</translation>
    </message>
    <message>
        <source>Do you really want to delete the dive &quot;%1&quot;?</source>
        <translation>Voulez-vous vraiment supprimer la plongée « %1 » ?</translation>
    </message>
    <message>
        <source>Do you really want to delete these %1 dives?</source>
        <translation>Voulez-vous vraiment supprimer ces %1 plongées ?</translation>
    </message>
    <message>
        <source>Dive &quot;%1&quot; exported to %2</source>
        <translation>Plongée « %1 » exportée vers %2</translation>
    </message>
    <message>
        <source>Selection saved to %1</source>
        <translation>Sélection enregistrée dans %1</translation>
    </message>
    <message>
        <source>Dive file (%1)</source>
        <translation>Fichier de plongée (%1)</translation>
    </message>
    <message>
        <source>Csv file (*.csv)</source>
        <translation>Fichier CSV (*.csv)</translation>
    </message>
    <message>
        <source>UDDF file (*.uddf *.xml)</source>
        <translation>Fichier UDDF (*.uddf *.xml)</translation>
    </message>
    <message>
        <source>Other programs&apos; logbooks (*.ssrf *.xml *.udcf *.fit *.json *.sml)</source>
        <translation>Carnets d&apos;autres programmes (*.ssrf *.xml *.udcf *.fit *.json *.sml)</translation>
    </message>
    <message>
        <source>Binary dive file (*.divebin)</source>
        <translation>Fichier de plongée binaire (*.divebin)</translation>
    </message>
    <message>
        <source>Group dives by trip</source>
        <translation>Grouper les plongées par voyage</translation>
    </message>
    <message>
        <source>Air use</source>
        <translation>Consommation</translation>
    </message>
    <message>
        <source>Cylinders</source>
        <translation>Bouteilles</translation>
    </message>
    <message>
        <source>No dive matches: clear the search box or the filter to see every dive.</source>
        <translation>Aucune plongée ne correspond : videz la recherche ou le filtre pour voir toutes les plongées.</translation>
    </message>
    <message>
        <source>No dives yet: download them from your computer, import dive files or use Log &gt; Add dive.</source>
        <translation>Aucune plongée pour l&apos;instant : téléchargez-les depuis votre ordinateur, importez des fichiers de plongée ou utilisez Carnet &gt; Ajouter une plongée.</translation>
    </message>
    <message>
        <source>Select a time range on the graph first.</source>
        <translation>Sélectionnez d’abord une plage de temps sur le graphique.</translation>
    </message>
</context>
<context>
    <name>MainWindowClass</name>
    <message>
        <source>Brenmor Systems Dive</source>
        <translation>Brenmor Systems Dive</translation>
    </message>
    <message>
        <source>Dives management</source>
        <translation>Gestion des plongées</translation>
    </message>
    <message>
        <source>Import dive</source>
        <translation>Importer une plongée</translation>
    </message>
    <message>
        <source>Store dive</source>
        <translation>Enregistrer la plongée</translation>
    </message>
    <message>
        <source>Test</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>Connect Veltra</source>
        <translation>Connecter la Veltra</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:700; color:#0055ff;&quot;&gt;Computer Disconnected&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;span style=&quot; font-weight:700; color:#0055ff;&quot;&gt;Ordinateur déconnecté&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Filter</source>
        <translation>Filtre</translation>
    </message>
    <message>
        <source>0 Computers/0 Dives</source>
        <translation>0 ordinateurs/0 plongées</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>Date/Time</source>
        <translation>Date/Heure</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Fit to all</source>
        <translation>Tout afficher</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>Deco</source>
        <translation>Déco</translation>
    </message>
    <message>
        <source>Alerts</source>
        <translation>Alertes</translation>
    </message>
    <message>
        <source>Summary</source>
        <translation>Résumé</translation>
    </message>
    <message>
        <source>Dive name</source>
        <translation>Nom de la plongée</translation>
    </message>
    <message>
        <source>Max depth</source>
        <translation>Profondeur max</translation>
    </message>
    <message>
        <source>Average depth</source>
        <translation>Profondeur moyenne</translation>
    </message>
    <message>
        <source>Place</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Ceil</source>
        <translation>Plafond</translation>
    </message>
    <message>
        <source>RR</source>
        <translation>RR</translation>
    </message>
    <message>
        <source>Yoyo</source>
        <translation>Yoyo</translation>
    </message>
    <message>
        <source>Security</source>
        <translation>Sécurité</translation>
    </message>
    <message>
        <source>Dives/24H</source>
        <translation>Plongées/24H</translation>
    </message>
    <message>
        <source>Computer</source>
        <translation>Ordinateur</translation>
    </message>
    <message>
        <source>Sample interval</source>
        <translation>Intervalle d&apos;échantillonnage</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>N° de série</translation>
    </message>
    <message>
        <source>Gases</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>O2</source>
        <translation>O2</translation>
    </message>
    <message>
        <source>He</source>
        <translation>He</translation>
    </message>
    <message>
        <source>Console</source>
        <translation>Console</translation>
    </message>
    <message>
        <source>Simulation</source>
        <translation>Simulation</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Aide</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>---</source>
        <translation>---</translation>
    </message>
    <message>
        <source>Preferences...</source>
        <translation>Préférences...</translation>
    </message>
    <message>
        <source>Dive planner</source>
        <translation>Planification de plongée</translation>
    </message>
</context>
<context>
    <name>ManualDive</name>
    <message>
        <source>The duration must be between 1 minute and 48 hours.</source>
        <translation>La durée doit être comprise entre 1 minute et 48 heures.</translation>
    </message>
    <message>
        <source>The maximum depth must be more than 0 and at most 350 m.</source>
        <translation>La profondeur maximale doit être supérieure à 0 et d&apos;au plus 350 m.</translation>
    </message>
    <message>
        <source>The mean depth must be between 0 and the maximum depth.</source>
        <translation>La profondeur moyenne doit être comprise entre 0 et la profondeur maximale.</translation>
    </message>
    <message>
        <source>The gas must have 1 to 100 % oxygen and no more than 100 % with the helium.</source>
        <translation>Le gaz doit contenir de 1 à 100 % d&apos;oxygène et pas plus de 100 % avec l&apos;hélium.</translation>
    </message>
    <message>
        <source>The cylinder size and pressures are out of range.</source>
        <translation>Le volume ou les pressions de la bouteille sont hors limites.</translation>
    </message>
</context>
<context>
    <name>MeasureWindow</name>
    <message>
        <source>Measure between two points</source>
        <translation>Mesure entre deux points</translation>
    </message>
    <message>
        <source>Point 1</source>
        <translation>Point 1</translation>
    </message>
    <message>
        <source>Point 2</source>
        <translation>Point 2</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Temps</translation>
    </message>
    <message>
        <source>Depth difference</source>
        <translation>Écart de profondeur</translation>
    </message>
    <message>
        <source>Time difference</source>
        <translation>Écart de temps</translation>
    </message>
    <message>
        <source>Mean speed</source>
        <translation>Vitesse moyenne</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
</context>
<context>
    <name>PlanFile</name>
    <message>
        <source>The plan file cannot be opened.</source>
        <translation>Le fichier de plan ne peut pas être ouvert.</translation>
    </message>
    <message>
        <source>The file is too large to be a dive plan.</source>
        <translation>Le fichier est trop volumineux pour être un plan de plongée.</translation>
    </message>
    <message>
        <source>The plan file is cut short.</source>
        <translation>Le fichier de plan est tronqué.</translation>
    </message>
    <message>
        <source>The plan file holds more than three dives.</source>
        <translation>Le fichier de plan contient plus de trois plongées.</translation>
    </message>
    <message>
        <source>The plan file is damaged: a length or count exceeds the file.</source>
        <translation>Le fichier de plan est endommagé : une longueur ou un nombre dépasse le fichier.</translation>
    </message>
    <message>
        <source>The plan file is damaged: a point refers to a gas the dive does not have.</source>
        <translation>Le fichier de plan est endommagé : un point désigne un mélange que la plongée n&apos;a pas.</translation>
    </message>
    <message>
        <source>The plan file is damaged: a point has no valid time or depth.</source>
        <translation>Le fichier de plan est endommagé : un point n&apos;a pas de temps ou de profondeur valide.</translation>
    </message>
    <message>
        <source>The plan file is damaged: its tissue tensions are not valid.</source>
        <translation>Le fichier de plan est endommagé : ses tensions tissulaires ne sont pas valides.</translation>
    </message>
    <message>
        <source>The plan file is damaged: its surface pressure is not valid.</source>
        <translation>Le fichier de plan est endommagé : sa pression de surface n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>The plan file could not be written completely.</source>
        <translation>Le fichier de plan n&apos;a pas pu être écrit entièrement.</translation>
    </message>
    <message>
        <source>The plan file is damaged: its settings (gradient factors, circuit, gases) are cut short or not valid. The plan was not loaded.</source>
        <translation>Le fichier de plan est endommagé : ses réglages (gradient factors, circuit, mélanges) sont tronqués ou non valides. Le plan n&apos;a pas été chargé.</translation>
    </message>
    <message>
        <source>The plan file was written by a newer version of this program; its settings cannot be read here.</source>
        <translation>Le fichier de plan a été écrit par une version plus récente de ce programme ; ses réglages ne peuvent pas être lus ici.</translation>
    </message>
    <message>
        <source>This is not a dive plan file.</source>
        <translation>Ce n&apos;est pas un fichier de plan de plongée.</translation>
    </message>
    <message>
        <source>The plan file holds values no dive can have: a depth beyond 0 to 150 m, a point more than 24 hours into the dive, a gas outside 1 to 100 % oxygen and 0 to 100 % helium in all, or an unknown water type.</source>
        <translation>Le fichier de plan contient des valeurs impossibles pour une plongée : une profondeur hors de 0 à 150 m, un point à plus de 24 heures du début, un gaz hors de 1 à 100 % d&apos;oxygène et 0 à 100 % d&apos;hélium au total, ou un type d&apos;eau inconnu.</translation>
    </message>
</context>
<context>
    <name>PlanResultText</name>
    <message>
        <source>NDL %1 min</source>
        <translation>Sans palier %1 min</translation>
    </message>
    <message>
        <source> SP %1</source>
        <translation> SP %1</translation>
    </message>
</context>
<context>
    <name>PlanSettings</name>
    <message>
        <source>The time at a gas switch must be 0 to 5 min.</source>
        <translation>Le temps à un changement de gaz doit être compris entre 0 et 5 min.</translation>
    </message>
    <message>
        <source>The deco ppO2 must be 1.2 to 1.7 bar.</source>
        <translation>La ppO2 de déco doit être comprise entre 1,2 et 1,7 bar.</translation>
    </message>
    <message>
        <source>The bottom ppO2 must be 1.0 to 1.6 bar.</source>
        <translation>La ppO2 au fond doit être comprise entre 1,0 et 1,6 bar.</translation>
    </message>
    <message>
        <source>The last stop is at 3 or 6 m.</source>
        <translation>Le dernier palier est à 3 ou 6 m.</translation>
    </message>
    <message>
        <source>Ascent rates must be 1 to 30 m/min.</source>
        <translation>Les vitesses de remontée doivent être comprises entre 1 et 30 m/min.</translation>
    </message>
    <message>
        <source>A safety stop lasts up to 10 min at 3 to 9 m.</source>
        <translation>Un palier de sécurité dure au plus 10 min, entre 3 et 9 m.</translation>
    </message>
    <message>
        <source>The altitude must be 0 to 5000 m.</source>
        <translation>L&apos;altitude doit être comprise entre 0 et 5000 m.</translation>
    </message>
    <message>
        <source>Oxygen breaks take 5 to 60 min on oxygen, then 1 to 30 min on the back gas.</source>
        <translation>Les pauses oxygène : 5 à 60 min sous oxygène, puis 1 à 30 min sur le gaz de fond.</translation>
    </message>
    <message>
        <source>The END limit must be 10 to 100 m.</source>
        <translation>La limite de profondeur équivalente narcotique doit être comprise entre 10 et 100 m.</translation>
    </message>
</context>
<context>
    <name>PlanSettingsDialog</name>
    <message>
        <source>Plan settings</source>
        <translation>Réglages du plan</translation>
    </message>
    <message>
        <source>At the first stop at or above the switch depth</source>
        <translation>Au premier palier à la profondeur de changement ou au-dessus</translation>
    </message>
    <message>
        <source>At the switch depth, with a stop there</source>
        <translation>À la profondeur de changement, avec un palier</translation>
    </message>
    <message>
        <source>Gas switch</source>
        <translation>Changement de gaz</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>Time at a switch</source>
        <translation>Temps au changement</translation>
    </message>
    <message>
        <source> bar</source>
        <translation> bar</translation>
    </message>
    <message>
        <source>Deco ppO2</source>
        <translation>ppO2 de déco</translation>
    </message>
    <message>
        <source>Bottom ppO2</source>
        <translation>ppO2 fond</translation>
    </message>
    <message>
        <source>Last stop</source>
        <translation>Dernier palier</translation>
    </message>
    <message>
        <source>computer&apos;s</source>
        <translation>de l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Ascent rate to the first stop</source>
        <translation>Vitesse de remontée jusqu&apos;au premier palier</translation>
    </message>
    <message>
        <source>Rate between stops</source>
        <translation>Vitesse entre paliers</translation>
    </message>
    <message>
        <source>none</source>
        <translation>aucun</translation>
    </message>
    <message>
        <source>Safety stop</source>
        <translation>Palier de sécurité</translation>
    </message>
    <message>
        <source>Safety stop depth</source>
        <translation>Profondeur du palier de sécurité</translation>
    </message>
    <message>
        <source>Stops end on whole minutes</source>
        <translation>Paliers arrondis à la minute</translation>
    </message>
    <message>
        <source>sea level</source>
        <translation>niveau de la mer</translation>
    </message>
    <message>
        <source>Altitude</source>
        <translation>Altitude</translation>
    </message>
    <message>
        <source>no breaks</source>
        <translation>sans pauses</translation>
    </message>
    <message>
        <source>Oxygen breaks: minutes on O2</source>
        <translation>Pauses oxygène : minutes sous O2</translation>
    </message>
    <message>
        <source>then on the bottom gas</source>
        <translation>puis au mélange fond</translation>
    </message>
    <message>
        <source>Narcotic depth warned above</source>
        <translation>Alerte de profondeur narcotique au-delà de</translation>
    </message>
</context>
<context>
    <name>PlanWarnings</name>
    <message>
        <source>Effort mode: computed at GF %1 instead of %2 (each factor at most %3).</source>
        <translation>Mode effort : calculé avec des GF %1 au lieu de %2 (chaque facteur au plus %3).</translation>
    </message>
    <message>
        <source>Third dive within 24 hours: computed at GF %1 instead of %2 (each factor at most %3).</source>
        <translation>Troisième plongée en moins de 24 heures : calculée avec des GF %1 au lieu de %2 (chaque facteur au plus %3).</translation>
    </message>
    <message>
        <source>Severe yoyo at %1: from there on computed at GF %2 instead of %3 (each factor at most %4).</source>
        <translation>Yoyo sévère à %1 : à partir de là, calcul avec des GF %2 au lieu de %3 (chaque facteur au plus %4).</translation>
    </message>
    <message>
        <source>CNS %1 %: above %2 %.</source>
        <translation>CNS %1 % : au-dessus de %2 %.</translation>
    </message>
    <message>
        <source>OTU %1 for the day: above %2.</source>
        <translation>OTU %1 pour la journée : au-dessus de %2.</translation>
    </message>
    <message>
        <source>Deco not terminated</source>
        <translation>Décompression non terminée</translation>
    </message>
    <message>
        <source>The deco gas %1 is no richer than the bottom gas %2: the ascent never takes it.</source>
        <translation>Le gaz de déco %1 n&apos;est pas plus riche que le mélange fond %2 : la remontée ne le prend jamais.</translation>
    </message>
    <message>
        <source>ppO2 %1 bar on %2 at %3: above 1.6 bar.</source>
        <translation>ppO2 %1 bar sur %2 à %3 : au-dessus de 1,6 bar.</translation>
    </message>
    <message>
        <source>ppO2 %1 bar on %2 at %3: above the bottom limit of %4 bar.</source>
        <translation>ppO2 %1 bar sur %2 à %3 : au-dessus de la limite au fond de %4 bar.</translation>
    </message>
    <message>
        <source>ppO2 %1 bar on %2 at %3: below 0.16 bar.</source>
        <translation>ppO2 %1 bar sur %2 à %3 : en dessous de 0,16 bar.</translation>
    </message>
    <message>
        <source>Equivalent narcotic depth %1 on %2 at %3: above %4.</source>
        <translation>Profondeur équivalente narcotique %1 sur %2 à %3 : au-delà de %4.</translation>
    </message>
    <message>
        <source>Gas density %1 g/L on %2 at %3: above %4 g/L.</source>
        <translation>Densité du gaz %1 g/L sur %2 à %3 : au-dessus de %4 g/L.</translation>
    </message>
    <message>
        <source>Switch from %1 to %2 at %3: nitrogen rises by more than a fifth of the helium drop (counter-diffusion).</source>
        <translation>Passage de %1 à %2 à %3 : l&apos;azote augmente de plus d&apos;un cinquième de la baisse de l&apos;hélium (contre-diffusion).</translation>
    </message>
    <message>
        <source>Yoyo: an ascent of %1 or more followed by a descent of %1 or more.</source>
        <translation>Yoyo : une remontée de %1 ou plus suivie d&apos;une redescente de %1 ou plus.</translation>
    </message>
</context>
<context>
    <name>Planification</name>
    <message>
        <source>Dive %1</source>
        <translation>Plongée %1</translation>
    </message>
</context>
<context>
    <name>PlanificationTab</name>
    <message>
        <source>Add dive</source>
        <translation>Ajouter une plongée</translation>
    </message>
    <message>
        <source>Replace current dive</source>
        <translation>Remplacer la plongée courante</translation>
    </message>
    <message>
        <source>Designation</source>
        <translation>Désignation</translation>
    </message>
    <message>
        <source>Activate on/off effort mode</source>
        <translation>Activer/désactiver le mode effort</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>No free place for a new dive</source>
        <translation>Plus de place pour une nouvelle plongée</translation>
    </message>
    <message>
        <source>No free location for a new dive</source>
        <translation>Plus de place pour une nouvelle plongée</translation>
    </message>
    <message>
        <source>Replace dive</source>
        <translation>Remplacer la plongée</translation>
    </message>
    <message>
        <source>Replace the current dive?</source>
        <translation>Remplacer la plongée courante ?</translation>
    </message>
    <message>
        <source>Open Dive File</source>
        <translation>Ouvrir un fichier de plongée</translation>
    </message>
    <message>
        <source>Impossible to load dive file</source>
        <translation>Impossible de charger le fichier de plongée</translation>
    </message>
    <message>
        <source>Load plan</source>
        <translation>Ouvrir un plan</translation>
    </message>
    <message>
        <source>Save Plan</source>
        <translation>Enregistrer le plan</translation>
    </message>
    <message>
        <source>Select a line after which insert a point</source>
        <translation>Sélectionnez la ligne après laquelle insérer un point</translation>
    </message>
    <message>
        <source>Select the dive point to remove</source>
        <translation>Sélectionnez le point à retirer</translation>
    </message>
    <message>
        <source>Delete selected points</source>
        <translation>Supprimer les points sélectionnés</translation>
    </message>
    <message>
        <source>Delete this point</source>
        <translation>Supprimer ce point</translation>
    </message>
    <message>
        <source>Set start of DTR</source>
        <translation>Fixer le début de la remontée (DTR)</translation>
    </message>
    <message>
        <source>Measure between 2 points</source>
        <translation>Mesurer entre 2 points</translation>
    </message>
    <message>
        <source>Impossible to set start of DTR on planified profile</source>
        <translation>Impossible de fixer le début de la remontée sur un profil planifié</translation>
    </message>
    <message>
        <source>O2 %</source>
        <translation>O2 %</translation>
    </message>
    <message>
        <source>He %</source>
        <translation>He %</translation>
    </message>
    <message>
        <source>Role</source>
        <translation>Rôle</translation>
    </message>
    <message>
        <source>Switch</source>
        <translation>Passage</translation>
    </message>
    <message>
        <source>Gas</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>Export slate</source>
        <translation>Exporter l&apos;ardoise</translation>
    </message>
    <message>
        <source>Unsaved plan</source>
        <translation>Plan non enregistré</translation>
    </message>
    <message>
        <source>The plan has changes that are not saved. Save them?</source>
        <translation>Le plan a des modifications non enregistrées. Les enregistrer ?</translation>
    </message>
    <message>
        <source>deco</source>
        <translation>déco</translation>
    </message>
    <message>
        <source>bottom</source>
        <translation>fond</translation>
    </message>
    <message>
        <source>not used (closed circuit)</source>
        <translation>non utilisé (circuit fermé)</translation>
    </message>
    <message>
        <source>never</source>
        <translation>jamais</translation>
    </message>
    <message>
        <source>On the loop nothing is breathed from the cylinders: switch on Bailout to plan the bailout.</source>
        <translation>En circuit fermé, rien n&apos;est respiré dans les blocs : cochez Bailout pour planifier le bailout.</translation>
    </message>
    <message>
        <source>Not diveable: %1</source>
        <translation>Plongée à ne pas faire : %1</translation>
    </message>
    <message>
        <source>PDF slate, A4 (*.pdf)</source>
        <translation>Tablette PDF, A4 (*.pdf)</translation>
    </message>
    <message>
        <source>PDF wrist slate, A6 (*.pdf)</source>
        <translation>Tablette de poignet PDF, A6 (*.pdf)</translation>
    </message>
    <message>
        <source>Slate saved to %1</source>
        <translation>Tablette enregistrée dans %1</translation>
    </message>
    <message>
        <source>Plan saved to %1</source>
        <translation>Plan enregistré dans %1</translation>
    </message>
    <message>
        <source>Brackish</source>
        <translation>Saumâtre</translation>
    </message>
    <message>
        <source>Plan settings...</source>
        <translation>Réglages du plan...</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>A planned point lies between 0 and %1.</source>
        <translation>Un point planifié se situe entre 0 et %1.</translation>
    </message>
    <message>
        <source>Time: %1 - Depth: %2 - Speed: %3 - PpO2: %4 - Ceiling: %5</source>
        <translation>Temps : %1 - Profondeur : %2 - Vitesse : %3 - PpO2 : %4 - Plafond : %5</translation>
    </message>
</context>
<context>
    <name>PlanificationTabClass</name>
    <message>
        <source>Dive mode</source>
        <translation>Mode de plongée</translation>
    </message>
    <message>
        <source>Open Circuit</source>
        <translation>Circuit ouvert</translation>
    </message>
    <message>
        <source>Closed Circuit</source>
        <translation>Circuit fermé</translation>
    </message>
    <message>
        <source>Add dive</source>
        <translation>Ajouter une plongée</translation>
    </message>
    <message>
        <source>Replace current dive by a new one</source>
        <translation>Remplacer la plongée courante par une nouvelle</translation>
    </message>
    <message>
        <source>Remove active dive</source>
        <translation>Retirer la plongée active</translation>
    </message>
    <message>
        <source>Add existing dive</source>
        <translation>Ajouter une plongée existante</translation>
    </message>
    <message>
        <source>Surface pressure</source>
        <translation>Pression en surface</translation>
    </message>
    <message>
        <source> mbar</source>
        <translation> mbar</translation>
    </message>
    <message>
        <source>Water type</source>
        <translation>Type d&apos;eau</translation>
    </message>
    <message>
        <source>Salt</source>
        <translation>Salée</translation>
    </message>
    <message>
        <source>Fresh</source>
        <translation>Douce</translation>
    </message>
    <message>
        <source>Surface interval</source>
        <translation>Intervalle de surface</translation>
    </message>
    <message>
        <source>Gases</source>
        <translation>Gaz</translation>
    </message>
    <message>
        <source>Gradient factor low (%): how near to its limit a tissue may come at the first stop. Lower values start the stops deeper.</source>
        <translation>Gradient factor bas (%) : jusqu&apos;où un tissu peut approcher sa limite au premier palier. Plus bas, les paliers commencent plus profond.</translation>
    </message>
    <message>
        <source>GFl</source>
        <translation>GFl</translation>
    </message>
    <message>
        <source>Gradient factor high (%): how near to its limit a tissue may come on surfacing. Lower values give longer shallow stops.</source>
        <translation>Gradient factor haut (%) : jusqu&apos;où un tissu peut approcher sa limite à la sortie. Plus bas, les paliers peu profonds sont plus longs.</translation>
    </message>
    <message>
        <source>GFh</source>
        <translation>GFh</translation>
    </message>
    <message>
        <source>Reduction (%): kept with the plan; it does not change the computation.</source>
        <translation>Réduction (%) : enregistrée avec le plan ; elle ne modifie pas le calcul.</translation>
    </message>
    <message>
        <source>%Rd</source>
        <translation>%Rd</translation>
    </message>
    <message>
        <source>Designation</source>
        <translation>Désignation</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Supprimer</translation>
    </message>
    <message>
        <source>Add dive point</source>
        <translation>Ajouter un point</translation>
    </message>
    <message>
        <source>Remove selected dive point</source>
        <translation>Retirer le point sélectionné</translation>
    </message>
    <message>
        <source>New plan</source>
        <translation>Nouveau plan</translation>
    </message>
    <message>
        <source>Open plan</source>
        <translation>Ouvrir un plan</translation>
    </message>
    <message>
        <source>Save plan</source>
        <translation>Enregistrer le plan</translation>
    </message>
    <message>
        <source>Fit to all</source>
        <translation>Tout afficher</translation>
    </message>
    <message>
        <source>Hide/Show points</source>
        <translation>Masquer/Afficher les points</translation>
    </message>
    <message>
        <source>Test YOYO</source>
        <translation>Test YOYO</translation>
    </message>
    <message>
        <source>Test RR</source>
        <translation>Test RR</translation>
    </message>
    <message>
        <source>Solve</source>
        <translation>Calculer</translation>
    </message>
    <message>
        <source>Tissues N2 load at</source>
        <translation>Charge N2 des tissus à</translation>
    </message>
    <message>
        <source>Start of dive</source>
        <translation>Début de plongée</translation>
    </message>
    <message>
        <source>End of dive</source>
        <translation>Fin de plongée</translation>
    </message>
    <message>
        <source>Gases of the dive: the bottom gases come from the points; up to three deco gases (O2 % and He %), taken at the switch depth shown</source>
        <translation>Mélanges de la plongée : les mélanges fond viennent des points ; jusqu&apos;à trois gaz de déco (O2 % et He %), pris à la profondeur de passage indiquée</translation>
    </message>
</context>
<context>
    <name>Planner</name>
    <message>
        <source>Decompression impossible: a stop of this plan would never end. Make the dive shorter or shallower, or breathe another gas.</source>
        <translation>Décompression impossible : un palier de ce plan ne finirait jamais. Raccourcissez la plongée, réduisez la profondeur ou respirez un autre mélange.</translation>
    </message>
    <message>
        <source>Invalid dive: Yoyo on previous dive</source>
        <translation>Plongée invalide : yoyo sur la plongée précédente</translation>
    </message>
    <message>
        <source>Invalid dive: Dive not allowed because of TAR &gt; 0.8</source>
        <translation>Plongée invalide : plongée interdite car TAR &gt; 0,8</translation>
    </message>
</context>
<context>
    <name>PreferencesDialog</name>
    <message>
        <source>Open and store dive files</source>
        <translation>Ouvrir et enregistrer des fichiers de plongée</translation>
    </message>
    <message>
        <source>Dive planner tab</source>
        <translation>Onglet de planification</translation>
    </message>
    <message>
        <source>Gradient factors in the planner</source>
        <translation>Facteurs de gradient dans la planification</translation>
    </message>
    <message>
        <source>Alert lights of the dive</source>
        <translation>Voyants d&apos;alerte de la plongée</translation>
    </message>
    <message>
        <source>&quot;Program name&quot; in the computer menu</source>
        <translation>« Nom du propriétaire » dans le menu de l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Console and Simulation tabs (developer)</source>
        <translation>Onglets Console et Simulation (développeur)</translation>
    </message>
    <message>
        <source>Test buttons (developer)</source>
        <translation>Boutons de test (développeur)</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message>
        <source>Changes apply at once and are kept in options.ini.</source>
        <translation>Les changements s&apos;appliquent aussitôt et sont conservés dans options.ini.</translation>
    </message>
    <message>
        <source>My gradient factors (dive replay)</source>
        <translation>Mes facteurs de gradient (recalcul des plongées)</translation>
    </message>
    <message>
        <source>Plan settings for new plans...</source>
        <translation>Réglages des nouveaux plans...</translation>
    </message>
</context>
<context>
    <name>PressureCurve</name>
    <message>
        <source>bar</source>
        <translation>bar</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Ok</source>
        <translation>Ok</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Position information</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Temps</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Vitesse</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>NDL</source>
        <translation>Sans palier</translation>
    </message>
    <message>
        <source>Ceiling</source>
        <translation>Plafond</translation>
    </message>
    <message>
        <source>Selection</source>
        <translation>Sélection</translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End Time</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Elapsed Time</source>
        <translation>Durée</translation>
    </message>
    <message>
        <source>Measure between two points</source>
        <translation>Mesure entre deux points</translation>
    </message>
    <message>
        <source>Dive file (*.csv *.uddf *.divebin);;Csv file (*.csv);;UDDF file (*.uddf);;Binary dive file (*.divebin)</source>
        <translation>Fichier de plongée (*.csv *.uddf *.divebin);;Fichier CSV (*.csv);;Fichier UDDF (*.uddf);;Fichier de plongée binaire (*.divebin)</translation>
    </message>
    <message>
        <source>Dive plan file (*.diveplan)</source>
        <translation>Fichier de plan de plongée (*.diveplan)</translation>
    </message>
    <message>
        <source>The file could not be read whole</source>
        <translation>Le fichier n&apos;a pas pu être lu entièrement</translation>
    </message>
    <message>
        <source>Compare with a plan</source>
        <translation>Comparer avec un plan</translation>
    </message>
    <message>
        <source>Dive plan (*.diveplan)</source>
        <translation>Plan de plongée (*.diveplan)</translation>
    </message>
    <message>
        <source>%1 is not a dive plan this program can read.</source>
        <translation>%1 n&apos;est pas un plan de plongée que ce programme sait lire.</translation>
    </message>
    <message>
        <source>Compare this dive with the planner&apos;s current plan or with a plan file?</source>
        <translation>Comparer cette plongée avec le plan en cours du planificateur ou avec un fichier de plan ?</translation>
    </message>
    <message>
        <source>Planner&apos;s plan</source>
        <translation>Plan du planificateur</translation>
    </message>
    <message>
        <source>Plan file...</source>
        <translation>Fichier de plan...</translation>
    </message>
    <message>
        <source>Planner</source>
        <translation>Planificateur</translation>
    </message>
    <message>
        <source>The dive replayed at your gradient factors</source>
        <translation>La plongée recalculée avec vos facteurs de gradient</translation>
    </message>
    <message>
        <source>My GF %1/%2</source>
        <translation>Mes GF %1/%2</translation>
    </message>
    <message>
        <source>Compare with a plan...</source>
        <translation>Comparer avec un plan...</translation>
    </message>
    <message>
        <source>Stop comparing</source>
        <translation>Arrêter la comparaison</translation>
    </message>
</context>
<context>
    <name>ReplayLayer</name>
    <message>
        <source>Plan</source>
        <translation>Plan</translation>
    </message>
    <message>
        <source>Dive</source>
        <translation>Plongée</translation>
    </message>
    <message>
        <source>Difference</source>
        <translation>Écart</translation>
    </message>
    <message>
        <source>Maximum depth</source>
        <translation>Profondeur maximale</translation>
    </message>
    <message>
        <source>Bottom time</source>
        <translation>Temps au fond</translation>
    </message>
    <message>
        <source>Run time</source>
        <translation>Durée totale</translation>
    </message>
    <message>
        <source>Stop at %1</source>
        <translation>Palier à %1</translation>
    </message>
    <message>
        <source>NDL %1 min</source>
        <translation>NDL %1 min</translation>
    </message>
    <message>
        <source>TTS %1 min</source>
        <translation>DTR %1 min</translation>
    </message>
    <message>
        <source>Leading tissue %1, surface GF %2 %, CNS %3 %</source>
        <translation>Compartiment directeur %1, GF en surface %2 %, CNS %3 %</translation>
    </message>
    <message>
        <source>ppO2 %1, ppN2 %2, ppHe %3 bar</source>
        <translation>ppO2 %1, ppN2 %2, ppHe %3 bar</translation>
    </message>
    <message>
        <source>Replay at my gradient factors</source>
        <translation>Recalcul avec mes facteurs de gradient</translation>
    </message>
    <message>
        <source>Ceiling at GF %1/%2</source>
        <translation>Plafond à GF %1/%2</translation>
    </message>
    <message>
        <source>Tissue heat map</source>
        <translation>Carte de saturation des tissus</translation>
    </message>
    <message>
        <source>ppO2 (1.4 and 1.6 bar lines)</source>
        <translation>ppO2 (lignes à 1,4 et 1,6 bar)</translation>
    </message>
    <message>
        <source>ppN2</source>
        <translation>ppN2</translation>
    </message>
    <message>
        <source>ppHe</source>
        <translation>ppHe</translation>
    </message>
    <message>
        <source>MOD of the gas breathed (ppO2 1.4 bar)</source>
        <translation>MOD du gaz respiré (ppO2 1,4 bar)</translation>
    </message>
    <message>
        <source>Gradient factors...</source>
        <translation>Facteurs de gradient...</translation>
    </message>
    <message>
        <source>Gradient factors</source>
        <translation>Facteurs de gradient</translation>
    </message>
    <message>
        <source>GF low</source>
        <translation>GF bas</translation>
    </message>
    <message>
        <source>GF high</source>
        <translation>GF haut</translation>
    </message>
    <message>
        <source>GF %1/%2: %3, ceiling %4</source>
        <translation>GF %1/%2 : %3, plafond %4</translation>
    </message>
    <message>
        <source>END %1, density %2 g/L</source>
        <translation>END %1, densité %2 g/L</translation>
    </message>
</context>
<context>
    <name>SimulationTab</name>
    <message>
        <source>Ascent definition</source>
        <translation>Définition de la remontée</translation>
    </message>
    <message>
        <source>Target depth</source>
        <translation>Profondeur cible</translation>
    </message>
    <message>
        <source>Ascent speed</source>
        <translation>Vitesse de remontée</translation>
    </message>
    <message>
        <source>Stop ascent</source>
        <translation>Arrêter la remontée</translation>
    </message>
    <message>
        <source>Stop the ascent?</source>
        <translation>Arrêter la remontée ?</translation>
    </message>
    <message>
        <source>Computer: %1 mbar</source>
        <translation>Ordinateur : %1 mbar</translation>
    </message>
    <message>
        <source>Ascent</source>
        <translation>Remontée</translation>
    </message>
    <message>
        <source>Simulation Error</source>
        <translation>Erreur de simulation</translation>
    </message>
    <message>
        <source>No dive profile loaded</source>
        <translation>Aucun profil de plongée chargé</translation>
    </message>
    <message>
        <source>This dive cannot be replayed</source>
        <translation>Cette plongée ne peut pas être rejouée</translation>
    </message>
    <message>
        <source>Stop the replay</source>
        <translation>Arrêter la relecture</translation>
    </message>
    <message>
        <source>NDL</source>
        <translation>Sans palier</translation>
    </message>
    <message>
        <source>Ceiling</source>
        <translation>Plafond</translation>
    </message>
    <message>
        <source>Start the replay</source>
        <translation>Lancer la relecture</translation>
    </message>
</context>
<context>
    <name>SimulationTabClass</name>
    <message>
        <source>Connect the computer</source>
        <translation>Connecter l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Ambient pressure the computer reported last</source>
        <translation>Dernière pression ambiante indiquée par l&apos;ordinateur</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Manuel</translation>
    </message>
    <message>
        <source>Ambient Pressure</source>
        <translation>Pression ambiante</translation>
    </message>
    <message>
        <source> bar</source>
        <translation> bar</translation>
    </message>
    <message>
        <source>Ascent</source>
        <translation>Remontée</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Profil</translation>
    </message>
    <message>
        <source>Point number:</source>
        <translation>Numéro de point :</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>Temps :</translation>
    </message>
    <message>
        <source>Depth:</source>
        <translation>Profondeur :</translation>
    </message>
    <message>
        <source>NDL/Ceil:</source>
        <translation>NDL/Plafond :</translation>
    </message>
    <message>
        <source>Dive:</source>
        <translation>Plongée :</translation>
    </message>
    <message>
        <source>Start the replay</source>
        <translation>Lancer la relecture</translation>
    </message>
</context>
<context>
    <name>SitesView</name>
    <message>
        <source>Dive sites</source>
        <translation>Sites de plongée</translation>
    </message>
    <message>
        <source>Site</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>Lieu</translation>
    </message>
    <message>
        <source>Country</source>
        <translation>Pays</translation>
    </message>
    <message>
        <source>Latitude</source>
        <translation>Latitude</translation>
    </message>
    <message>
        <source>Longitude</source>
        <translation>Longitude</translation>
    </message>
    <message>
        <source>Dives</source>
        <translation>Plongées</translation>
    </message>
    <message>
        <source>Merge selected</source>
        <translation>Fusionner la sélection</translation>
    </message>
    <message>
        <source>Export GeoJSON...</source>
        <translation>Exporter en GeoJSON...</translation>
    </message>
    <message>
        <source>A position is a latitude from -90 to 90 and a longitude from -180 to 180 degrees.</source>
        <translation>Une position est une latitude de -90 à 90 et une longitude de -180 à 180 degrés.</translation>
    </message>
    <message>
        <source>Select the two sites to merge: the first one is kept.</source>
        <translation>Sélectionnez les deux sites à fusionner : le premier est conservé.</translation>
    </message>
    <message>
        <source>Export sites</source>
        <translation>Exporter les sites</translation>
    </message>
    <message>
        <source>GeoJSON (*.geojson)</source>
        <translation>GeoJSON (*.geojson)</translation>
    </message>
</context>
<context>
    <name>Slate</name>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>the plan holds no dive</source>
        <translation>le plan ne contient aucune plongée</translation>
    </message>
    <message>
        <source>Run time</source>
        <translation>Déroulement</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Palier</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Temps cumulé</translation>
    </message>
    <message>
        <source>Gas</source>
        <translation>Mélange</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Gonflage</translation>
    </message>
    <message>
        <source>Used</source>
        <translation>Consommé</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Reserve</source>
        <translation>Réserve</translation>
    </message>
    <message>
        <source>%1 - %2, run time %3</source>
        <translation>%1 - %2, durée totale %3</translation>
    </message>
    <message>
        <source>GF %1/%2   CNS %3 %   OTU %4   %5</source>
        <translation>GF %1/%2   CNS %3 %   OTU %4   %5</translation>
    </message>
    <message>
        <source>closed circuit</source>
        <translation>circuit fermé</translation>
    </message>
    <message>
        <source>open circuit</source>
        <translation>circuit ouvert</translation>
    </message>
    <message>
        <source>Gas switches: %1</source>
        <translation>Changements de gaz : %1</translation>
    </message>
    <message>
        <source>Gas plan</source>
        <translation>Gestion des gaz</translation>
    </message>
    <message>
        <source>Bailout from %1 at %2 (GF %3/%4), surfacing at %5</source>
        <translation>Bailout à %1 après %2 (GF %3/%4), sortie à %5</translation>
    </message>
    <message>
        <source>Bailout gas</source>
        <translation>Gaz du bailout</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>switch</source>
        <translation>changement</translation>
    </message>
    <message>
        <source>%1 SP %2</source>
        <translation>%1 SP %2</translation>
    </message>
    <message>
        <source>Contingency: %1, surfacing at %2</source>
        <translation>Imprévu : %1, sortie à %2</translation>
    </message>
    <message>
        <source>Gas for: %1</source>
        <translation>Gaz pour : %1</translation>
    </message>
    <message>
        <source>%1 (continued)</source>
        <translation>%1 (suite)</translation>
    </message>
</context>
<context>
    <name>StarRating</name>
    <message numerus="yes">
        <source>%n star(s)</source>
        <translation>
            <numerusform>%n étoile</numerusform>
            <numerusform>%n étoiles</numerusform>
        </translation>
    </message>
    <message>
        <source>Rating: %1 of 5</source>
        <translation>Note : %1 sur 5</translation>
    </message>
</context>
<context>
    <name>StatisticsPage</name>
    <message>
        <source>No dives yet</source>
        <translation>Aucune plongée pour l&apos;instant</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Vue d&apos;ensemble</translation>
    </message>
    <message>
        <source>Sites, buddies and air use</source>
        <translation>Sites, binômes et consommation</translation>
    </message>
    <message>
        <source>Dives per site</source>
        <translation>Plongées par site</translation>
    </message>
    <message>
        <source>Dives per buddy</source>
        <translation>Plongées par binôme</translation>
    </message>
    <message>
        <source>%1-%2 min</source>
        <translation>%1-%2 min</translation>
    </message>
    <message>
        <source>Dives by duration</source>
        <translation>Plongées par durée</translation>
    </message>
    <message>
        <source>Air use over time (%1)</source>
        <translation>Consommation d&apos;air au fil du temps (%1)</translation>
    </message>
</context>
<context>
    <name>StatisticsView</name>
    <message>
        <source>Dives and hours</source>
        <translation>Plongées et heures</translation>
    </message>
    <message>
        <source>per year</source>
        <translation>par an</translation>
    </message>
    <message>
        <source>per month</source>
        <translation>par mois</translation>
    </message>
    <message>
        <source>Dives</source>
        <translation>Plongées</translation>
    </message>
    <message>
        <source>Total dive time</source>
        <translation>Temps de plongée total</translation>
    </message>
    <message>
        <source>Deepest dive</source>
        <translation>Plongée la plus profonde</translation>
    </message>
    <message>
        <source>Longest dive</source>
        <translation>Plongée la plus longue</translation>
    </message>
    <message>
        <source>Mean maximum depth</source>
        <translation>Profondeur maximale moyenne</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Heures</translation>
    </message>
    <message>
        <source>Dives and hours per month</source>
        <translation>Plongées et heures par mois</translation>
    </message>
    <message>
        <source>Dives and hours per year</source>
        <translation>Plongées et heures par an</translation>
    </message>
    <message>
        <source>Mean lowest temperature</source>
        <translation>Température minimale moyenne</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1 : %2</translation>
    </message>
    <message>
        <source>Maximum depth (%1, steps of %2)</source>
        <translation>Profondeur maximale (%1, par tranches de %2)</translation>
    </message>
    <message>
        <source>Water temperature by month (%1)</source>
        <translation>Température de l&apos;eau par mois (%1)</translation>
    </message>
</context>
<context>
    <name>SubsurfaceXml</name>
    <message>
        <source>Dive %1</source>
        <translation>Plongée %1</translation>
    </message>
    <message>
        <source>not a well-formed XML document (cut short or damaged)</source>
        <translation>document XML mal formé (tronqué ou endommagé)</translation>
    </message>
    <message>
        <source>not a Subsurface logbook (its root element is &quot;%1&quot;)</source>
        <translation>ce n&apos;est pas un carnet Subsurface (son élément racine est « %1 »)</translation>
    </message>
</context>
<context>
    <name>SuuntoFile</name>
    <message>
        <source>not a well-formed XML document (cut short or damaged)</source>
        <translation>document XML mal formé (tronqué ou endommagé)</translation>
    </message>
    <message>
        <source>not a Suunto Dive Manager file (its root element is &quot;%1&quot;)</source>
        <translation>ce n&apos;est pas un fichier Suunto Dive Manager (son élément racine est « %1 »)</translation>
    </message>
    <message>
        <source>not a Suunto app file (no &quot;DeviceLog&quot;)</source>
        <translation>ce n&apos;est pas un fichier de l&apos;application Suunto (pas de « DeviceLog »)</translation>
    </message>
</context>
<context>
    <name>TankStore</name>
    <message>
        <source>A cylinder&apos;s size and pressures must be 0 or more.</source>
        <translation>Le volume et les pressions d&apos;une bouteille doivent être de 0 ou plus.</translation>
    </message>
</context>
<context>
    <name>TarskBle</name>
    <message>
        <source>connecting</source>
        <translation>la connexion</translation>
    </message>
    <message>
        <source>discovering services</source>
        <translation>la découverte des services</translation>
    </message>
    <message>
        <source>reading the service</source>
        <translation>la lecture du service</translation>
    </message>
    <message>
        <source>switching notifications on</source>
        <translation>l&apos;activation des notifications</translation>
    </message>
    <message>
        <source>The computer stopped answering. Keep it close and press Retry.</source>
        <translation>L&apos;ordinateur ne répond plus. Gardez-le à proximité et appuyez sur Réessayer.</translation>
    </message>
    <message>
        <source>What the computer sent arrived damaged. Keep it close and press Retry.</source>
        <translation>Les données de l&apos;ordinateur sont arrivées abîmées. Gardez-le à proximité et appuyez sur Réessayer.</translation>
    </message>
    <message>
        <source>The computer is not connected. Connect it again.</source>
        <translation>L&apos;ordinateur n&apos;est pas connecté. Reconnectez-le.</translation>
    </message>
    <message>
        <source>The computer is still busy with another request. Wait a moment and try again.</source>
        <translation>L&apos;ordinateur traite encore une autre demande. Patientez un instant et réessayez.</translation>
    </message>
    <message>
        <source>The computer refused the firmware. Restart it in firmware mode and try again.</source>
        <translation>L&apos;ordinateur a refusé le micrologiciel. Redémarrez-le en mode micrologiciel et réessayez.</translation>
    </message>
</context>
<context>
    <name>TblDivePointsModel</name>
    <message>
        <source>Time</source>
        <translation>Temps</translation>
    </message>
    <message>
        <source>Gas</source>
        <translation>Mélange</translation>
    </message>
    <message>
        <source>Depth (%1)</source>
        <translation>Profondeur (%1)</translation>
    </message>
</context>
<context>
    <name>UDDF</name>
    <message>
        <source>The UDDF file cannot be opened.</source>
        <translation>Le fichier UDDF ne peut pas être ouvert.</translation>
    </message>
    <message>
        <source>The file is too large to be a UDDF dive file.</source>
        <translation>Le fichier est trop volumineux pour être un fichier de plongée UDDF.</translation>
    </message>
    <message>
        <source>The file is not a well-formed XML document (cut short or damaged).</source>
        <translation>Le fichier n&apos;est pas un document XML bien formé (tronqué ou endommagé).</translation>
    </message>
    <message>
        <source>The XML document is not a UDDF file.</source>
        <translation>Le document XML n&apos;est pas un fichier UDDF.</translation>
    </message>
    <message>
        <source>The UDDF file could not be written completely.</source>
        <translation>Le fichier UDDF n&apos;a pas pu être écrit entièrement.</translation>
    </message>
    <message>
        <source>The UDDF file holds no dive.</source>
        <translation>Le fichier UDDF ne contient aucune plongée.</translation>
    </message>
</context>
<context>
    <name>UdcfFile</name>
    <message>
        <source>not a well-formed XML document (cut short or damaged)</source>
        <translation>document XML mal formé (tronqué ou endommagé)</translation>
    </message>
    <message>
        <source>not a UDCF file (its root element is &quot;%1&quot;)</source>
        <translation>ce n&apos;est pas un fichier UDCF (son élément racine est « %1 »)</translation>
    </message>
</context>
<context>
    <name>Units</name>
    <message>
        <source>ft</source>
        <translation>pi</translation>
    </message>
    <message>
        <source>m</source>
        <translation>m</translation>
    </message>
    <message>
        <source>ft/min</source>
        <translation>pi/min</translation>
    </message>
    <message>
        <source>m/min</source>
        <translation>m/min</translation>
    </message>
    <message>
        <source>psi</source>
        <translation>psi</translation>
    </message>
    <message>
        <source>bar</source>
        <translation>bar</translation>
    </message>
    <message>
        <source>cuft</source>
        <translation>pi³</translation>
    </message>
    <message>
        <source>L</source>
        <translation>L</translation>
    </message>
    <message>
        <source>cuft/min</source>
        <translation>pi³/min</translation>
    </message>
    <message>
        <source>L/min</source>
        <translation>L/min</translation>
    </message>
    <message>
        <source>°F</source>
        <translation>°F</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>lb</source>
        <translation>lb</translation>
    </message>
    <message>
        <source>kg</source>
        <translation>kg</translation>
    </message>
</context>
<context>
    <name>UnitsBox</name>
    <message>
        <source>Units</source>
        <translation>Unités</translation>
    </message>
    <message>
        <source>Depth</source>
        <translation>Profondeur</translation>
    </message>
    <message>
        <source>metres (m)</source>
        <translation>mètres (m)</translation>
    </message>
    <message>
        <source>feet (ft)</source>
        <translation>pieds (pi)</translation>
    </message>
    <message>
        <source>Pressure</source>
        <translation>Pression</translation>
    </message>
    <message>
        <source>bar</source>
        <translation>bar</translation>
    </message>
    <message>
        <source>psi</source>
        <translation>psi</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>litres (L)</source>
        <translation>litres (L)</translation>
    </message>
    <message>
        <source>cubic feet (cuft)</source>
        <translation>pieds cubes (pi³)</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>Température</translation>
    </message>
    <message>
        <source>degrees Celsius (°C)</source>
        <translation>degrés Celsius (°C)</translation>
    </message>
    <message>
        <source>degrees Fahrenheit (°F)</source>
        <translation>degrés Fahrenheit (°F)</translation>
    </message>
    <message>
        <source>Weight</source>
        <translation>Masse</translation>
    </message>
    <message>
        <source>kilograms (kg)</source>
        <translation>kilogrammes (kg)</translation>
    </message>
    <message>
        <source>pounds (lb)</source>
        <translation>livres (lb)</translation>
    </message>
    <message>
        <source>All metric</source>
        <translation>Tout en métrique</translation>
    </message>
    <message>
        <source>All imperial</source>
        <translation>Tout en impérial</translation>
    </message>
</context>
<context>
    <name>XmlSchema</name>
    <message>
        <source>The file cannot be opened.</source>
        <translation>Le fichier ne peut pas être ouvert.</translation>
    </message>
</context>
</TS>
