<?xml version="1.0" encoding="UTF-8"?>
<!-- Power supplies of an enclosure (rkreport storage enclosure info=pwrsupplies). -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:import href="common.xsl"/>
  <xsl:variable name="rk.kind" select="'PowerSupply'"/>
  <xsl:variable name="rk.empty" select="'No power supplies found.'"/>
</xsl:stylesheet>
